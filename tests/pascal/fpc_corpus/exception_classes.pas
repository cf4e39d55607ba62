program ExceptionClasses;
{$R+}
uses SysUtils;
var
  i, zero: Integer;
  d: Double;
  a: array[1..3] of Integer;

procedure Check(n: Integer);
begin
  if n < 0 then
    raise EConvertError.CreateFmt('negative: %d', [n]);
  if n = 0 then
    raise Exception.Create('zero');
end;

begin
  zero := 0;
  try
    i := 10 div zero;
    WriteLn(i);
  except
    on E: EDivByZero do
      WriteLn(E.ClassName, ': ', E.Message);
  end;
  try
    i := StrToInt('12a');
  except
    on E: EConvertError do
      WriteLn(E.ClassName, ': ', E.Message);
  end;
  try
    d := StrToFloat('x1.5');
  except
    on E: Exception do
      WriteLn(E.ClassName, ': ', E.Message);
  end;
  try
    Check(-4);
  except
    on E: EConvertError do
      WriteLn('convert ', E.ClassName, ': ', E.Message);
  end;
  try
    Check(0);
  except
    on E: EConvertError do
      WriteLn('wrong handler');
    on E: Exception do
      WriteLn('general ', E.ClassName, ': ', E.Message);
  end;
  try
    Check(-1);
  except
    on E: Exception do
      WriteLn('base catches ', E.ClassName);
  end;
  try
    raise Exception.CreateFmt('%s has %d items (%.1f%%)', ['cart', 3, 12.5]);
  except
    on E: Exception do
      WriteLn(E.Message);
  end;
  try
    try
      raise EDivByZero.Create('inner');
    except
      on E: Exception do
      begin
        WriteLn('reraise ', E.Message);
        raise;
      end;
    end;
  except
    on E: EDivByZero do
      WriteLn('outer got ', E.ClassName, ' ', E.Message);
  end;
  i := 4;
  try
    a[i] := 1;
    WriteLn('no range check');
  except
    on E: ERangeError do
      WriteLn(E.ClassName, ': ', E.Message);
  end;
  try
    i := 5;
    Check(i);
    WriteLn('no exception');
  except
    WriteLn('bare except');
  end;
end.

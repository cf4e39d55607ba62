program Exceptions;
uses SysUtils;
var
  i, zero: Integer;
  log: string;

procedure Fails(const msg: string);
begin
  raise Exception.Create(msg);
end;

function SafeDiv(a, b: Integer): Integer;
begin
  try
    Result := a div b;
  except
    on E: EDivByZero do
    begin
      WriteLn('caught: ', E.ClassName);
      Result := 0;
    end;
  end;
end;

begin
  try
    Fails('boom');
    WriteLn('not here');
  except
    on E: Exception do
      WriteLn('Error: ', E.Message);
  end;
  try
    try
      Fails('inner');
    finally
      WriteLn('finally runs');
    end;
  except
    on E: Exception do
      WriteLn('outer got ', E.Message);
  end;
  zero := 0;
  WriteLn(SafeDiv(10, 2), ' ', SafeDiv(1, zero));
  try
    raise EConvertError.Create('custom conversion');
  except
    on E: EDivByZero do
      WriteLn('wrong handler');
    on E: EConvertError do
      WriteLn('right handler: ', E.Message);
  end;
  try
    try
      raise Exception.Create('first');
    except
      WriteLn('handling');
      raise;
    end;
  except
    on E: Exception do
      WriteLn('re-raised: ', E.Message);
  end;
  log := '';
  for i := 1 to 3 do
  begin
    try
      if i = 2 then
        Continue;
      log := log + IntToStr(i);
    finally
      log := log + 'f';
    end;
  end;
  WriteLn(log);
  try
    i := StrToInt('1x');
  except
    WriteLn('bare except');
  end;
  try
    raise Exception.CreateFmt('value %d too big', [42]);
  except
    on E: Exception do
      WriteLn(E.Message);
  end;
  try
    WriteLn('no exception');
  finally
    WriteLn('cleanup');
  end;
end.

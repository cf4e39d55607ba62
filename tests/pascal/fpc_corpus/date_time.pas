program date_time;
uses SysUtils;
var d: TDateTime;
begin
  d := EncodeDate(2026, 12, 8) + EncodeTime(14, 5, 9, 7);
  WriteLn(DateTimeToStr(d));
  WriteLn(DateToStr(d));
  WriteLn(TimeToStr(d));
  WriteLn(DateTimeToStr(EncodeDate(2026, 1, 2)));
  WriteLn(FormatDateTime('yyyy-mm-dd hh:nn:ss.zzz', d));
  WriteLn(FormatDateTime('d/m/yy h:m:s', d));
  WriteLn(FormatDateTime('dddd d mmmm yyyy, ddd mmm', d));
  WriteLn(FormatDateTime('hh:mm am/pm "at" ''x''', d));
  WriteLn(FormatDateTime('c', d));
end.

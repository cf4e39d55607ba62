#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "pascal/native_object.h"
#include "pascal/string_list.h"
#include "run_program.h"

namespace varnelo::pascal {
namespace {

using testing::RunProgram;

struct TObjectCase {
  const char* name;
  const char* source;
  const char* output;
};

class ObjectProgramTest : public ::testing::TestWithParam<TObjectCase> {};

TEST_P(ObjectProgramTest, Writes) {
  const TObjectCase& c = GetParam();
  auto outcome = RunProgram(c.source);
  ASSERT_FALSE(outcome.error) << outcome.error->what();
  EXPECT_EQ(outcome.output, c.output);
}

// The string list outputs were taken from Free Pascal (-Mdelphi) running the same programs.
const TObjectCase kObjectPrograms[] = {
    {"AddCountStrings",
     "var L: TStringList; i: Integer;\n"
     "begin L := TStringList.Create; WriteLn(L.Add('b'), L.Add('a'), ' ', L.Count);\n"
     "  for i := 0 to L.Count - 1 do Write(L[i], L.Strings[i]); WriteLn; L.Free; end.",
     "01 2\nbbaa\n"},
    {"DefaultAndIndexedWrites",
     "var L: TStrings; begin L := TStringList.Create; L.Add('x'); L.Add('y');\n"
     "  L[0] := 'first'; L.Strings[1] := 'second'; WriteLn(L.CommaText); L.Free; end.",
     "first,second\n"},
    {"TextJoinsWithLineFeed",
     "var L: TStringList; begin L := TStringList.Create; L.Add('b'); L.Add('A'); L.Add('');\n"
     "  Write('[', L.Text, ']'); L.Free; end.",
     "[b\nA\n\n]"},
    {"TextSplitsOnEveryLineEnd",
     "var L: TStringList; i: Integer; begin L := TStringList.Create;\n"
     "  L.Text := 'a'#13#10'b'#13'c'#10#10'd'#10; Write(L.Count);\n"
     "  for i := 0 to L.Count - 1 do Write('<', L[i], '>'); WriteLn;\n"
     "  L.Text := #10; Write(L.Count); L.Text := ''; WriteLn(L.Count); end.",
     "5<a><b><c><><d>\n10\n"},
    {"CommaTextQuotes",
     "var L: TStringList; begin L := TStringList.Create;\n"
     "  L.Add('b'); L.Add('A'); L.Add('a c'); L.Add(''); L.Add('x\"y'); L.Add('p,q'); WriteLn(L.CommaText);\n"
     "  L.Clear; L.Add(''); WriteLn('[', L.CommaText, ']'); L.Add(''); WriteLn('[', L.CommaText, ']'); end.",
     "b,A,\"a c\",,\"x\"\"y\",\"p,q\"\n[\"\"]\n[,]\n"},
    {"CommaTextParses",
     "var L: TStringList;\n"
     "procedure Show(const s: string); var j: Integer;\n"
     "begin L.CommaText := s; Write(L.Count, ':'); for j := 0 to L.Count - 1 do Write('<', L[j], '>'); WriteLn; end;\n"
     "begin L := TStringList.Create;\n"
     "  Show('a,\"b c\",d e,,\"x\"\"y\",  f  '); Show('a,'); Show(',a'); Show('a, ,b'); Show(' '); Show(',');\n"
     "  Show('\"a\"b,c'); Show('\"unterminated'); end.",
     "7:<a><b c><d><e><><x\"y><f>\n2:<a><>\n2:<><a>\n3:<a><><b>\n0:\n2:<><>\n3:<a><b><c>\n1:<unterminated>\n"},
    {"StrictDelimiter",
     "var L: TStringList; i: Integer; begin L := TStringList.Create; L.Delimiter := ';'; L.StrictDelimiter := True;\n"
     "  L.DelimitedText := 'a b; c;;\"d;e\"'; Write(L.Count, ':'); for i := 0 to L.Count - 1 do Write('<', L[i], '>');\n"
     "  WriteLn; WriteLn(L.DelimitedText); end.",
     "4:<a b>< c><><d;e>\na b; c;;\"d;e\"\n"},
    {"ValuesAndNames",
     "var L: TStringList; begin L := TStringList.Create; L.Add('Name=v1'); L.Add('x=2'); L.Add('plain');\n"
     "  WriteLn(L.Values['NAME'], ' ', L.Names[1], ' [', L.Names[2], '] ', L.IndexOfName('X'), ' ', L.IndexOf('X=2'),\n"
     "    ' ', L.IndexOf('nope'), ' [', L.Values['missing'], ']');\n"
     "  L.Values['x'] := ''; L.Values['new'] := 'z'; Write(L.Text); end.",
     "v1 x [] 1 1 -1 []\nName=v1\nx=\nplain\nnew=z\n"},
    {"SortIsCaseInsensitive",
     "var L: TStringList; begin L := TStringList.Create; L.CommaText := 'b,A,\"a c\",_,[,Z'; L.Sort;\n"
     "  WriteLn(L.CommaText); end.",
     "[,_,A,\"a c\",b,Z\n"},
    {"SortedListKeepsOrderAndDuplicates",
     "var L: TStringList; begin L := TStringList.Create; L.CommaText := 'Name=v1,x=,new=z';\n"
     "  L.Sorted := True; WriteLn(L.CommaText); WriteLn(L.Add('b'), L.Add('NAME=v1'), ' ', L.Count, ' ', L.IndexOf('X='));\n"
     "  L.Duplicates := dupAccept; L.Add('b'); WriteLn(L.CommaText);\n"
     "  L.Duplicates := dupError;\n"
     "  try L.Add('b'); except on E: EStringListError do WriteLn(E.Message); end;\n"
     "  try L[0] := 'zz'; except on E: Exception do WriteLn(E.ClassName, ': ', E.Message); end;\n"
     "  try L.Insert(0, 'zz'); except on E: Exception do WriteLn(E.ClassName, ': ', E.Message); end; end.",
     "Name=v1,new=z,x=\n01 4 3\nb,b,Name=v1,new=z,x=\nString list does not allow duplicates\n"
     "EStringListError: Operation not allowed on sorted list\nEStringListError: Operation not allowed on sorted list\n"},
    {"DeleteInsertExchangeClear",
     "var L: TStringList; begin L := TStringList.Create; L.Add('1'); L.Add('2'); L.Add('3');\n"
     "  L.Exchange(0, 2); L.Insert(1, 'i'); L.Insert(4, 'end'); WriteLn(L.CommaText); L.Delete(0); WriteLn(L.CommaText);\n"
     "  L.Clear; WriteLn(L.Count); end.",
     "3,i,2,1,end\ni,2,1,end\n0\n"},
    {"IndexErrorsAreCatchable",
     "var L: TStringList; begin L := TStringList.Create;\n"
     "  try WriteLn(L[10]); except on E: Exception do WriteLn(E.ClassName, ': ', E.Message); end;\n"
     "  try L.Delete(-1); except on E: EStringListError do WriteLn(E.Message); end;\n"
     "  try L.Strings[0] := 'x'; except on E: EStringListError do WriteLn(E.Message); end; end.",
     "EStringListError: List index (10) out of bounds\nList index (-1) out of bounds\nList index (0) out of bounds\n"},
    {"MethodsWithoutParentheses",
     "var L: TStringList; n: Integer; begin L := TStringList.Create; L.Add('b'); L.Add('a'); L.Sort;\n"
     "  n := L.Count; WriteLn(n, L[0]); L.Clear; WriteLn(L.Count); end.",
     "2a\n0\n"},
    {"NilFreeAssigned",
     "var L: TStringList; begin WriteLn(Assigned(L), ' ', L = nil); L := TStringList.Create;\n"
     "  WriteLn(Assigned(L), ' ', L <> nil, ' ', L.ClassName); L.Free; L := nil; L.Free; WriteLn(Assigned(L));\n"
     "  L := TStringList.Create; FreeAndNil(L); WriteLn(Assigned(L), ' ', L = nil); end.",
     "FALSE TRUE\nTRUE TRUE TStringList\nFALSE\nFALSE TRUE\n"},
    {"NilAndFreedObjectsRaiseCatchableErrors",
     "var L, M: TStringList; begin\n"
     "  try WriteLn(L.Count); except on E: EAccessViolation do WriteLn('nil: ', E.Message); end;\n"
     "  L := TStringList.Create; M := L; L.Free;\n"
     "  try M.Add('x'); except on E: Exception do WriteLn(E.ClassName, ': ', E.Message); end;\n"
     "  try M[0] := 'x'; except WriteLn('write caught'); end;\n"
     "  try M.Free; except on E: Exception do WriteLn(E.ClassName); end; end.",
     "nil: Access violation: the object is nil\nEAccessViolation: Access violation: the object was freed\n"
     "write caught\nEInvalidPointer\n"},
    {"ObjectsAreReferences",
     "var A, B: TStringList; procedure Fill(L: TStringList); begin L.Add('from proc'); end;\n"
     "function Make: TStringList; begin Result := TStringList.Create; Result.Add('made'); end;\n"
     "begin A := TStringList.Create; B := A; Fill(B); WriteLn(A.Count, ' ', A[0], ' ', A = B);\n"
     "  WriteLn(Make.Count, ' ', Make[0], ' ', Make.Strings[0]); Result := A; end.",
     "1 from proc TRUE\n1 made made\n"},
    {"WithResolvesMembersFirst",
     "var L: TStringList; Count: Integer; begin Count := 99; L := TStringList.Create;\n"
     "  with L do begin Add('b'); Add('a'); Sort; WriteLn(Count, ' ', Strings[0], ' ', Text = 'a'#10'b'#10);\n"
     "    Strings[1] := 'c'; Values['k'] := 'v'; CommaText := CommaText + ',d'; WriteLn(CommaText, ' ', ClassName); end;\n"
     "  WriteLn(Count); end.",
     "2 a TRUE\na,c,k=v,d TStringList\n99\n"},
    {"WithTemporaryObjectAndRecord",
     "type TP = record X, Y: Integer; end; var P: TP;\n"
     "begin with TStringList.Create do begin Add('tmp'); WriteLn(Count); Free; end;\n"
     "  with P do begin X := 3; Y := X * 2; end; WriteLn(P.X, P.Y); end.",
     "1\n36\n"},
    {"FunctionNameAsOwnerOfAWrittenMember",
     "type TP = record X: Integer; end;\n"
     "function Make: TP; begin Make.X := 4; end;\n"
     "function Lines: TStringList; begin Lines := TStringList.Create; Result.Add('l'); end;\n"
     "begin WriteLn(Make.X, Lines[0]); end.",
     "4l\n"},
    {"WithDoesNotReachCalledRoutines",
     "var L: TStringList; procedure Show; var Count: Integer; begin Count := 7; WriteLn(Count); end;\n"
     "begin L := TStringList.Create; with L do begin Add('x'); Show; end; end.",
     "7\n"},
    {"ExceptionObjects",
     "var E2: Exception; begin\n"
     "  try raise Exception.CreateFmt('%d items in %s', [3, 'list']); except on E: Exception do WriteLn(E.ClassName, ': ', E.Message); end;\n"
     "  E2 := Exception.Create('first'); E2.Message := 'changed'; WriteLn(E2.Message);\n"
     "  with E2 do WriteLn(ClassName, ' ', Message);\n"
     "  try raise EMyError.Create('mine'); except on E: EMyError do WriteLn('mine: ', E.Message); end; end.",
     "Exception: 3 items in list\nchanged\nException changed\nmine: mine\n"},
    {"DialogsWithoutHost",
     "var s: string; r: Integer; begin ShowMessage('hello'); s := InputBox('Caption', 'Prompt', 'default');\n"
     "  r := MessageDlg('Sure?', mtConfirmation, [mbYes, mbNo], 0); WriteLn(s, ' ', r = mrYes);\n"
     "  WriteLn(MessageDlg('Go?', mtWarning, mbOKCancel, 0) = mrOk, ' ', MessageDlg('x', mtError, [mbCancel, mbOK], 0));\n"
     "  WriteLn(MessageDlg('none', mtCustom, [], 0) = mrNone); end.",
     "hello\nSure?\ndefault TRUE\nGo?\nx\nTRUE 1\nnone\nTRUE\n"},
};

INSTANTIATE_TEST_SUITE_P(Objects, ObjectProgramTest, ::testing::ValuesIn(kObjectPrograms),
                         [](const auto& info) { return std::string(info.param.name); });

struct TObjectErrorCase {
  const char* name;
  const char* source;
  TErrorCode code;
  int line;
  int column;
  const char* text;
};

class ObjectErrorTest : public ::testing::TestWithParam<TObjectErrorCase> {};

TEST_P(ObjectErrorTest, EndsTheRunWithPosition) {
  const TObjectErrorCase& c = GetParam();
  auto outcome = RunProgram(c.source);
  ASSERT_TRUE(outcome.error) << "no error; output: " << outcome.output;
  EXPECT_EQ(outcome.error->Code(), c.code) << outcome.error->what();
  EXPECT_EQ(outcome.error->Line(), c.line) << outcome.error->what();
  EXPECT_EQ(outcome.error->Column(), c.column) << outcome.error->what();
  EXPECT_EQ(outcome.error->Text(), c.text);
}

const TObjectErrorCase kObjectErrors[] = {
    {"UnknownMethod", "var L: TStringList;\nbegin L := TStringList.Create;\n  L.Frobnicate(1); end.",
     TErrorCode::kUnknownIdentifier, 3, 5, "Identifier idents no member \"Frobnicate\""},
    {"UnknownProperty", "var L: TStringList;\nbegin L := TStringList.Create;\n  L.Colour := 1; end.",
     TErrorCode::kUnknownIdentifier, 3, 5, "Identifier idents no member \"Colour\""},
    {"ReadOnlyProperty", "var L: TStringList;\nbegin L := TStringList.Create;\n  L.Count := 1; end.",
     TErrorCode::kTypeMismatch, 3, 5, "No member is provided to access property \"Count\""},
    {"UnknownClassType", "var L: TStringLst;\nbegin end.", TErrorCode::kUnknownIdentifier, 1, 8,
     "Identifier not found \"TStringLst\""},
    {"WrongArgumentType", "var L: TStringList;\nbegin L := TStringList.Create;\n  L.Add(1); end.",
     TErrorCode::kTypeMismatch, 3, 5, "Incompatible types: String expected"},
    {"TStringsCannotBeCreated", "var L: TStrings;\nbegin\n  L := TStrings.Create; end.", TErrorCode::kTypeMismatch, 3,
     17, "Class \"TStrings\" cannot be created"},
    {"UncaughtIndexError", "var L: TStringList;\nbegin L := TStringList.Create;\n  WriteLn(L[3]); end.",
     TErrorCode::kRangeError, 3, 12, "List index (3) out of bounds"},
    {"UncaughtNilAccess", "var L: TStringList;\nbegin\n  L.Add('x'); end.", TErrorCode::kRuntime, 3, 5,
     "Access violation: the object is nil"},
    {"WithOnNil", "var L: TStringList;\nbegin\n  with L do Add('x'); end.", TErrorCode::kRuntime, 3, 8,
     "Access violation: the object is nil"},
    {"WithOnInteger", "var i: Integer;\nbegin\n  with i do ; end.", TErrorCode::kTypeMismatch, 3, 8,
     "Expression type must be class or record type"},
    {"AssignIntegerToObject", "var L: TStringList;\nbegin\n  L := 5; end.", TErrorCode::kTypeMismatch, 3, 8,
     "Incompatible types: got \"Int64\" expected \"TObject\""},
};

INSTANTIATE_TEST_SUITE_P(Objects, ObjectErrorTest, ::testing::ValuesIn(kObjectErrors),
                         [](const auto& info) { return std::string(info.param.name); });

class StringListFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    directory_ = std::filesystem::temp_directory_path() /
                 ("string_list_test_" + std::to_string(::getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(directory_);
  }
  void TearDown() override { std::filesystem::remove_all(directory_); }
  std::string PathOf(const std::string& name) const { return (directory_ / name).string(); }
  std::filesystem::path directory_;
};

TEST_F(StringListFileTest, SavesWithLineFeedsAndLoadsAnyLineEnd) {
  std::string saved = PathOf("saved.txt");
  std::string source = "var L: TStringList; begin L := TStringList.Create; L.Add('one'); L.Add('two');\n"
                       "  L.SaveToFile('" + saved + "'); L.Free;\n"
                       "  L := TStringList.Create; L.LoadFromFile('" + PathOf("crlf.txt") + "');\n"
                       "  WriteLn(L.Count, L[0], L[1]); end.";
  std::ofstream(PathOf("crlf.txt"), std::ios::binary) << "a\r\nb\r\n";
  auto outcome = RunProgram(source);
  ASSERT_FALSE(outcome.error) << outcome.error->what();
  EXPECT_EQ(outcome.output, "2ab\n");
  std::ifstream file(saved, std::ios::binary);
  std::stringstream content;
  content << file.rdbuf();
  EXPECT_EQ(content.str(), "one\ntwo\n");
}

TEST_F(StringListFileTest, MissingFilesRaiseCatchableErrors) {
  std::string missing = PathOf("no/such/file.txt");
  auto outcome = RunProgram(
      "var L: TStringList; begin L := TStringList.Create;\n"
      "  try L.LoadFromFile('" + missing + "'); except on E: EFOpenError do WriteLn(E.Message); end;\n"
      "  try L.SaveToFile('" + missing + "'); except on E: Exception do WriteLn(E.ClassName); end; end.");
  ASSERT_FALSE(outcome.error) << outcome.error->what();
  EXPECT_EQ(outcome.output, "Unable to open file \"" + missing + "\": No such file or directory\nEFCreateError\n");
}

TEST(StringListTest, CppSideSharesTheLinesWithTheScript) {
  auto list = std::make_shared<TStringList>(std::vector<std::string>{"first", "second"});
  TInterpreterHost host;
  host.unknownIdentifier = [&](const std::string& name) -> std::optional<TValue> {
    if (name == "items") return NativeValue(list);
    return std::nullopt;
  };
  auto outcome = RunProgram("begin WriteLn(items.Count, ' ', items[1]); items.Add('third'); Result := items; end.", host);
  ASSERT_FALSE(outcome.error) << outcome.error->what();
  EXPECT_EQ(outcome.output, "2 second\n");
  EXPECT_EQ(list->Lines(), (std::vector<std::string>{"first", "second", "third"}));
  ASSERT_EQ(outcome.result.Kind(), TValueKind::kObject);
  EXPECT_EQ(outcome.result.AsObject()->className, "TStringList");
}

TEST(DialogTest, HostAnswersTheDialogs) {
  std::vector<std::string> calls;
  TInterpreterHost host;
  host.showMessage = [&](const std::string& text) { calls.push_back("show " + text); };
  host.inputBox = [&](const std::string& caption, const std::string& prompt,
                      const std::string& defaultText) -> std::optional<std::string> {
    calls.push_back("input " + caption + "/" + prompt + "/" + defaultText);
    if (prompt == "cancel") return std::nullopt;
    return std::string("typed");
  };
  host.messageDlg = [&](const std::string& text, TMsgDlgType type, const std::vector<TMsgDlgBtn>& buttons) {
    calls.push_back("dlg " + text + " " + std::to_string(static_cast<int>(type)) + " " + std::to_string(buttons.size()));
    return kMrNo;
  };
  auto outcome = RunProgram(
      "begin ShowMessage('hi'); WriteLn(InputBox('C', 'P', 'd'), ' ', InputBox('C', 'cancel', 'kept'));\n"
      "  if MessageDlg('Delete?', mtConfirmation, mbYesNoCancel, 0) = mrNo then WriteLn('no'); end.",
      host);
  ASSERT_FALSE(outcome.error) << outcome.error->what();
  EXPECT_EQ(outcome.output, "typed kept\nno\n");
  EXPECT_EQ(calls, (std::vector<std::string>{"show hi", "input C/P/d", "input C/cancel/kept", "dlg Delete? 3 3"}));
}

// A library class shaped like the database ones: members that give further objects.
class TFakeRecordSet : public TNativeObject {
 public:
  std::string ClassName() const override { return "TFakeRecordSet"; }
  bool HasMember(const std::string& name) const override {
    return name == "fieldbyname" || name == "asstring" || name == "next" || name == "eof" || name == "params";
  }
  std::optional<TValue> GetProperty(const std::string& name, const std::vector<TValue>& indexes) override {
    if (!indexes.empty()) return std::nullopt;
    if (name == "eof") return TValue::Boolean(row_ >= 2);
    if (name == "asstring") return TValue::String(value_);
    if (name == "params") return NativeValue(Child("params"));
    return std::nullopt;
  }
  bool SetProperty(const std::string& name, const std::vector<TValue>& indexes, const TValue& value) override {
    if (name != "asstring" || !indexes.empty()) return false;
    value_ = value.AsString();
    return true;
  }
  std::optional<TValue> CallMethod(const std::string& name, const std::vector<TValue>& args) override {
    if (name == "next" && args.empty()) {
      ++row_;
      return TValue();
    }
    if (name == "fieldbyname" && args.size() == 1) {
      auto child = Child(args[0].AsString());
      if (child->value_.empty()) child->value_ = args[0].AsString() + std::to_string(row_);
      return NativeValue(child);
    }
    return std::nullopt;
  }

 private:
  std::shared_ptr<TFakeRecordSet> Child(const std::string& name) {
    auto& child = children_[name];
    if (!child) child = std::make_shared<TFakeRecordSet>();
    return child;
  }
  int row_ = 0;
  std::string value_;
  std::map<std::string, std::shared_ptr<TFakeRecordSet>> children_;
};

TEST(ObjectChainTest, MembersThatGiveObjectsChain) {
  TInterpreterHost host;
  host.unknownIdentifier = [](const std::string& name) -> std::optional<TValue> {
    if (name == "Q") return NativeValue(std::make_shared<TFakeRecordSet>());
    return std::nullopt;
  };
  auto outcome = RunProgram(
      "var R: TObject; begin R := Q;\n"
      "  R.Params.FieldByName('x').AsString := 'v'; WriteLn(R.Params.FieldByName('x').AsString);\n"
      "  while not R.Eof do begin WriteLn(R.FieldByName('a').AsString, ' ', R.FieldByName('a').ClassName); R.Next; end;\n"
      "  with R.Params do begin FieldByName('y').AsString := 'w'; WriteLn(FieldByName('y').AsString); end; end.",
      host);
  ASSERT_FALSE(outcome.error) << outcome.error->what();
  EXPECT_EQ(outcome.output, "v\na0 TFakeRecordSet\na0 TFakeRecordSet\nw\n");
}

// Object programs with bytes changed here and there: a result or an error, never a crash.
TEST(ObjectRandomTest, MutatedObjectProgramsEndInAResultOrAnError) {
  const std::string seed =
      "var L: TStringList; i: Integer; type TP = record X: Integer; end; var P: TP;\n"
      "begin L := TStringList.Create; L.CommaText := 'b,a,\"c d\"'; L.Sorted := True; L.Values['k'] := 'v';\n"
      "  with L do begin Add('x'); Strings[0] := Names[3]; Delete(1); end; with P do X := L.Count;\n"
      "  try L[9] := 'y'; except on E: EStringListError do ShowMessage(E.Message); end;\n"
      "  for i := 0 to L.Count - 1 do WriteLn(L[i], L.IndexOf(L[i])); L.Free; FreeAndNil(L);\n"
      "  if MessageDlg(L.Text, mtError, mbYesNo, 0) = mrYes then Result := L; end.";
  std::mt19937 random(11);
  for (int i = 0; i < 3000; ++i) {
    std::string source = seed;
    for (int m = 0; m < 1 + static_cast<int>(random() % 3); ++m) {
      size_t at = random() % source.size();
      switch (random() % 3) {
        case 0: source.erase(at, 1 + random() % 8); break;
        case 1: source.insert(at, source.substr(random() % source.size(), 1 + random() % 8)); break;
        default: source[at] = static_cast<char>(random() % 256); break;
      }
    }
    int steps = 0;
    TInterpreterHost host;
    host.afterStatement = [&steps] { return ++steps < 2000; };
    auto outcome = RunProgram(source, host);
    if (outcome.error) {
      EXPECT_GT(outcome.error->Line(), 0) << source;
    }
  }
}

}  // namespace
}  // namespace varnelo::pascal

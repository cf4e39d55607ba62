// The example scripts that every new home gets in its samples folder.

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <memory>
#include <string>
#include <vector>

#include "scripting/send_to_script.h"
#include "support/scoped_environment.h"
#include "support/temp_dir.h"
#include "support/temp_home.h"

namespace varnelo::scripting {
namespace {

class SampleScriptsTest : public ::testing::Test {
protected:
  SampleScriptsTest() { environment.Set("TMPDIR", temp.Path().string()); }

  std::string Run(const std::string& sample, std::vector<std::string>* items, const std::string& url) {
    return TSendToScript(home.Path(), url, items, home.Path() / "samples" / sample).RunScript();
  }

  // The rows of the items table, as "url|item".
  std::vector<std::string> StoredRows() const {
    sqlite3* raw = nullptr;
    EXPECT_EQ(sqlite3_open_v2((temp.Path() / "varnelo-items.db").c_str(), &raw, SQLITE_OPEN_READONLY, nullptr),
              SQLITE_OK);
    const std::unique_ptr<sqlite3, decltype(&sqlite3_close)> db(raw, sqlite3_close);
    sqlite3_stmt* rawStatement = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db.get(), "SELECT url, item FROM items ORDER BY id", -1, &rawStatement, nullptr),
              SQLITE_OK);
    const std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> statement(rawStatement, sqlite3_finalize);
    std::vector<std::string> rows;
    while (sqlite3_step(statement.get()) == SQLITE_ROW) {
      rows.push_back(std::string(reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 0))) + "|" +
                     reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 1)));
    }
    return rows;
  }

  test::TTempHome home;
  test::TTempDir temp;
  test::TScopedEnvironment environment;
};

TEST_F(SampleScriptsTest, StoreItemsKeepsEveryItemWithItsUrlAcrossRuns) {
  std::vector<std::string> first = {"alpha", "it's \"quoted\""};
  EXPECT_EQ(Run("storeitems.pas", &first, "http://h/a"), "2 items stored");
  std::vector<std::string> second = {"gamma"};
  EXPECT_EQ(Run("storeitems.pas", &second, "http://h/b"), "1 items stored");
  EXPECT_EQ(StoredRows(), (std::vector<std::string>{"http://h/a|alpha", "http://h/a|it's \"quoted\"", "http://h/b|gamma"}));
  EXPECT_EQ(Run("storeitems.pas", nullptr, "script"), "no items to store");
}

TEST_F(SampleScriptsTest, ItemsPageWritesTheItemsEscapedForTheResultFile) {
  std::vector<std::string> items = {"<b>bold</b>", "a & b"};
  const std::string page = (temp.Path() / "varnelo-items.html").string();
  EXPECT_EQ(Run("itemspage.pas", &items, "http://h/?q=1&r=2"), page);
  const std::string html = test::ReadFile(page);
  EXPECT_NE(html.find("<h1>http://h/?q=1&amp;r=2</h1>"), std::string::npos) << html;
  EXPECT_NE(html.find("<li>&lt;b&gt;bold&lt;/b&gt;</li>"), std::string::npos) << html;
  EXPECT_NE(html.find("<li>a &amp; b</li>"), std::string::npos) << html;
}

}  // namespace
}  // namespace varnelo::scripting

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "forms/form_category_action_selection.h"
#include "forms/form_category_creation.h"
#include "forms/form_category_deletion.h"
#include "forms/form_category_icon_selection.h"
#include "forms/form_category_rename.h"
#include "results/categories.h"
#include "search/quick_search_menu.h"
#include "support/change_recorder.h"
#include "support/recording_ports.h"
#include "support/temp_home.h"

namespace varnelo::results {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using TShown = test::TRecordingDialogs::TShown;
using TEntry = search::TQuickSearchMenu::TCategoryEntry;

constexpr std::string_view kRobots =
    "[general]\r\n[dictionary]\r\n"
    "[A]\r\nDataFrom=Search engine functionality\r\nCategory=Sport\r\n"
    "[B]\r\nDataFrom=Web Site Backup\r\nCategory=Sport\r\n"
    "[C]\r\nDataFrom=Search engine functionality\r\n"
    "[D]\r\nDataFrom=Search engine functionality\r\nCategory=sport\r\n"
    "[E]\r\nDataFrom=Search engine functionality\r\nCategory=Sport\r\niconfile=e.ico\r\n";
constexpr std::string_view kCategories = "[General]\r\niconfile=g.ico\r\n[Sport]\r\niconfile=s.ico\r\n[News]\r\n";

TShown Plain(std::string_view text) { return {std::string(text), "Varnelo", base::TDialogsPort::TIcon::None}; }

class CategoryDialogsTest : public ::testing::Test {
protected:
  CategoryDialogsTest() : home_(kRobots) {
    fs::create_directories(Favicon());
    for (const char* icon : {"g.ico", "s.ico", "e.ico", "google.ico", "new.ico"})
      test::WriteFile(Favicon() / icon, "ico");
    SetCategories(kCategories);
  }

  fs::path Favicon() const { return home_.Path() / "favicon"; }
  fs::path CategoryFile() const { return home_.Path() / "Category.ini"; }
  void SetCategories(std::string_view content) const { test::WriteFile(CategoryFile(), content); }
  std::string Categories() const { return test::ReadFile(CategoryFile()); }
  std::string Robots() const { return test::ReadFile(home_.RobotConfigPath()); }
  void BuildMenu() {
    menu_.Build(config::TConfigStore(home_.RobotConfigPath()), config::TConfigStore(CategoryFile()), Favicon());
  }
  std::vector<std::string> MenuCaptions() const {
    std::vector<std::string> captions;
    for (const TEntry& entry : menu_.Entries()) captions.push_back(entry.caption);
    return captions;
  }
  // Chooses `name` in a dialog's category list.
  static void Choose(TCategoryList& list, std::string_view name) {
    const auto& names = list.Names();
    const auto found = std::find(names.begin(), names.end(), name);
    ASSERT_NE(found, names.end()) << name;
    list.Choose(static_cast<size_t>(found - names.begin()));
  }

  test::TTempHome home_;
  test::TRecordingDialogs dialogs_;
  search::TQuickSearchMenu menu_;
};

// --- Category dialog -----------------------------------------------------------------------------

TEST(CategoryActionSelectionTest, NextOpensTheChosenItemsDialog) {
  using TAction = TFormCategoryActionSelection::TAction;
  struct TCase {
    std::optional<size_t> chosen;
    std::optional<TAction> opened;
  };
  for (const TCase& c : std::vector<TCase>{{std::nullopt, std::nullopt},
                                           {0, TAction::Create},
                                           {1, TAction::Delete},
                                           {2, TAction::Rename},
                                           {3, TAction::Icon},
                                           {4, std::nullopt}}) {
    TFormCategoryActionSelection form;
    form.chosen = c.chosen;
    EXPECT_EQ(form.ClickNext(), c.opened) << c.chosen.value_or(99);
  }
  EXPECT_EQ(TFormCategoryActionSelection::kItems[3].caption, "Choisir un icône pour une catégorie");
}

// --- Create --------------------------------------------------------------------------------------

struct TCreateCase {
  std::string label;
  std::string name;
  std::string icon;
  std::string message;
  std::string categoriesAfter;  // empty: unchanged
};

class CategoryCreationTest : public CategoryDialogsTest, public ::testing::WithParamInterface<TCreateCase> {};

TEST_P(CategoryCreationTest, ChecksWritesAndTells) {
  const TCreateCase& c = GetParam();
  BuildMenu();
  const std::string robotsBefore = Robots();
  TFormCategoryCreation form(home_.Path(), menu_, dialogs_);
  form.name = c.name;
  form.icon = c.icon;
  form.ClickSave();

  EXPECT_THAT(dialogs_.messages, ElementsAre(Plain(c.message)));
  EXPECT_EQ(Categories(), c.categoriesAfter.empty() ? std::string(kCategories) : c.categoriesAfter);
  EXPECT_EQ(Robots(), robotsBefore);
  const bool saved = c.message == TFormCategoryCreation::kSavedMessage;
  EXPECT_EQ(menu_.Entries().size(), saved ? 4u : 3u);
  if (saved) {
    EXPECT_EQ(menu_.Entries().back().caption, c.name);
  }
}

const std::string kBefore(kCategories);
const std::string kSaved(TFormCategoryCreation::kSavedMessage);

INSTANTIATE_TEST_SUITE_P(
    Cases, CategoryCreationTest,
    ::testing::Values(
        TCreateCase{"New", "Actualités", "new.ico", kSaved, kBefore + "[Actualités]\r\niconfile=new.ico\r\n"},
        TCreateCase{"EmptyIcon", "Mes sites", "", kSaved, kBefore + "[Mes sites]\r\niconfile=\r\n"},
        TCreateCase{"EmptyName", "", "new.ico", kSaved, kBefore + "[]\r\niconfile=new.ico\r\n"},
        TCreateCase{"ExistsIgnoringCase", "news", "new.ico", "la catégorie existe déjà", ""},
        TCreateCase{"ExistsExactly", "General", "new.ico", "la catégorie existe déjà", ""},
        // Names a section header holds as they are.
        TCreateCase{"Equals", "a=b", "new.ico", kSaved, kBefore + "[a=b]\r\niconfile=new.ico\r\n"},
        TCreateCase{"OpeningBracket", "[x", "new.ico", kSaved, kBefore + "[[x]\r\niconfile=new.ico\r\n"},
        TCreateCase{"BinaryBytes", "\x01\xff\x80", "\x7f.ico", kSaved,
                    kBefore + "[\x01\xff\x80]\r\niconfile=\x7f.ico\r\n"},
        // Names and icons that would not read back as typed.
        TCreateCase{"ClosingBracket", "a]b", "new.ico", "Le nom de la catégorie ne peut pas contenir \"]\"", ""},
        TCreateCase{"LeadingBlank", " Sport2", "new.ico",
                    "Le nom de la catégorie ne peut pas commencer ni finir par un blanc", ""},
        TCreateCase{"TrailingTab", "Sport2\t", "new.ico",
                    "Le nom de la catégorie ne peut pas commencer ni finir par un blanc", ""},
        TCreateCase{"LineBreak", "a\nb", "new.ico",
                    "Le nom de la catégorie ne peut pas contenir de saut de ligne ni de caractère nul", ""},
        TCreateCase{"Nul", std::string("a\0b", 3), "new.ico",
                    "Le nom de la catégorie ne peut pas contenir de saut de ligne ni de caractère nul", ""},
        TCreateCase{"TooLong", std::string(2048, 'n'), "new.ico",
                    "Le nom de la catégorie ne peut pas dépasser 2047 octets", ""},
        TCreateCase{"IconLineBreak", "Sport2", "a\r.ico",
                    "Le nom du fichier d'icône ne peut pas contenir de saut de ligne ni de caractère nul", ""},
        TCreateCase{"IconBlank", "Sport2", "a.ico ",
                    "Le nom du fichier d'icône ne peut pas commencer ni finir par un blanc", ""}),
    [](const auto& info) { return info.param.label; });

TEST_F(CategoryDialogsTest, CreatedNamesReadBackAsTyped) {
  for (const std::string name : {"a=b", "[x", "\x01\xff\x80", "Mes sites"}) {
    TFormCategoryCreation form(home_.Path(), menu_, dialogs_);
    form.name = name;
    form.ClickSave();
    EXPECT_EQ(CategoryNames(home_.Path()).back(), name);
    EXPECT_TRUE(IsCategory(config::TConfigStore(CategoryFile()), name));
  }
}

TEST_F(CategoryDialogsTest, CreatedEntryTakesItsIconOrTheDefaultImage) {
  TFormCategoryCreation withIcon(home_.Path(), menu_, dialogs_);
  withIcon.name = "One";
  withIcon.icon = "new.ico";
  withIcon.ClickSave();
  TFormCategoryCreation missingIcon(home_.Path(), menu_, dialogs_);
  missingIcon.name = "Two";
  missingIcon.icon = "absent.ico";
  missingIcon.ClickSave();
  TFormCategoryCreation emptyIcon(home_.Path(), menu_, dialogs_);
  emptyIcon.name = "Three";
  emptyIcon.ClickSave();
  EXPECT_THAT(menu_.Entries(), ElementsAre(TEntry{"One", 1, {}}, TEntry{"Two", 0, {}}, TEntry{"Three", 0, {}}));
  EXPECT_THAT(menu_.Images(), ElementsAre(fs::path(), Favicon() / "new.ico"));
}

TEST_F(CategoryDialogsTest, ChoosingAnIconKeepsItsNameAndPreviewsTheFile) {
  TFormCategoryCreation form(home_.Path(), menu_, dialogs_);
  dialogs_.choices = {fs::path("/elsewhere/pics/star.ico"), std::nullopt};
  form.ClickChooseIcon();
  EXPECT_EQ(form.icon, "star.ico");
  EXPECT_EQ(form.Preview(), fs::path("/elsewhere/pics/star.ico"));
  form.ClickChooseIcon();  // cancelled
  EXPECT_EQ(form.icon, "star.ico");
  EXPECT_EQ(dialogs_.prompts.size(), 2u);
  EXPECT_EQ(dialogs_.prompts[0].caption, "Choisir un icone");
  EXPECT_EQ(Categories(), kCategories);  // nothing is copied or written
  EXPECT_FALSE(fs::exists(Favicon() / "star.ico"));
}

TEST_F(CategoryDialogsTest, CreateWithoutACategoryFileMakesIt) {
  fs::remove(CategoryFile());
  TFormCategoryCreation form(home_.Path(), menu_, dialogs_);
  form.name = "News";
  form.icon = "new.ico";
  form.ClickSave();
  EXPECT_THAT(dialogs_.messages, ElementsAre(Plain("La sauvegarde s'est déroulé avec succès")));
  EXPECT_EQ(Categories(), "[News]\r\niconfile=new.ico\r\n");
}

TEST_F(CategoryDialogsTest, LowerCaseFileNameIsTheSameFile) {
  fs::remove(CategoryFile());
  test::WriteFile(home_.Path() / "category.ini", "[General]\n");
  TFormCategoryCreation form(home_.Path(), menu_, dialogs_);
  form.name = "general";
  form.ClickSave();
  form.name = "News";
  form.ClickSave();
  EXPECT_THAT(dialogs_.messages,
              ElementsAre(Plain("la catégorie existe déjà"), Plain("La sauvegarde s'est déroulé avec succès")));
  EXPECT_FALSE(fs::exists(CategoryFile()));
  EXPECT_EQ(test::ReadFile(home_.Path() / "category.ini"), "[General]\n[News]\r\niconfile=\r\n");
}

// --- Delete --------------------------------------------------------------------------------------

TEST_F(CategoryDialogsTest, DeleteMovesTheSearchEngineRobotsToGeneral) {
  BuildMenu();
  TFormCategoryDeletion form(home_.Path(), menu_, dialogs_);
  EXPECT_THAT(form.categories.Names(), ElementsAre("General", "Sport", "News"));
  Choose(form.categories, "Sport");
  form.ClickDelete();

  EXPECT_THAT(dialogs_.messages, ElementsAre(Plain("Deleting Sport was successful")));
  EXPECT_EQ(Categories(), "[General]\r\niconfile=g.ico\r\n[News]\r\n");
  // A robot of another kind, and one whose category differs in case, keep theirs.
  EXPECT_EQ(Robots(),
            "[general]\r\n[dictionary]\r\n"
            "[A]\r\nDataFrom=Search engine functionality\r\nCategory=General\r\n"
            "[B]\r\nDataFrom=Web Site Backup\r\nCategory=Sport\r\n"
            "[C]\r\nDataFrom=Search engine functionality\r\n"
            "[D]\r\nDataFrom=Search engine functionality\r\nCategory=sport\r\n"
            "[E]\r\nDataFrom=Search engine functionality\r\nCategory=General\r\niconfile=e.ico\r\n");
  EXPECT_THAT(MenuCaptions(), ElementsAre("General", "News"));
}

struct TRefusalCase {
  std::string label;
  std::string categoriesAtOpening;
  std::string chosen;
  std::string categoriesAtClick;
  std::string message;
};

class CategoryDeletionRefusalTest : public CategoryDialogsTest, public ::testing::WithParamInterface<TRefusalCase> {};

TEST_P(CategoryDeletionRefusalTest, ChangesNothing) {
  const TRefusalCase& c = GetParam();
  SetCategories(c.categoriesAtOpening);
  BuildMenu();
  const auto menuBefore = menu_.Entries();
  TFormCategoryDeletion form(home_.Path(), menu_, dialogs_);
  Choose(form.categories, c.chosen);
  SetCategories(c.categoriesAtClick);
  form.ClickDelete();
  EXPECT_THAT(dialogs_.messages, ElementsAre(Plain(c.message)));
  EXPECT_EQ(Categories(), c.categoriesAtClick);
  EXPECT_EQ(Robots(), kRobots);
  EXPECT_EQ(menu_.Entries(), menuBefore);
}

INSTANTIATE_TEST_SUITE_P(Cases, CategoryDeletionRefusalTest,
                         ::testing::Values(TRefusalCase{"General", kBefore, "General", kBefore,
                                                        "You can't delete the general category"},
                                           TRefusalCase{"GoneSinceOpening", kBefore, "News", "[General]\r\n[Sport]\r\n",
                                                        "Category don't exist"}),
                         [](const auto& info) { return info.param.label; });

TEST_F(CategoryDialogsTest, DeleteRemovesTheLastMenuEntryOfThatName) {
  SetCategories("[Sport]\r\n[News]\r\n");
  menu_.AddCategory("&Sport", {});
  menu_.AddCategory("News", {});
  menu_.AddCategory("Spo&rt", {});
  TFormCategoryDeletion form(home_.Path(), menu_, dialogs_);
  form.ClickDelete();  // the first entry, Sport, is chosen when the dialog opens
  EXPECT_THAT(MenuCaptions(), ElementsAre("&Sport", "News"));
  EXPECT_EQ(Categories(), "[News]\r\n");
}

TEST_F(CategoryDialogsTest, DeletingALowerCaseGeneralIsAllowedAndLeavesDefaultRobots) {
  SetCategories("[general]\r\n[General]\r\n");
  TFormCategoryDeletion form(home_.Path(), menu_, dialogs_);
  Choose(form.categories, "general");
  form.ClickDelete();
  EXPECT_THAT(dialogs_.messages, ElementsAre(Plain("Deleting general was successful")));
  EXPECT_EQ(Categories(), "[General]\r\n");
  EXPECT_EQ(Robots(), kRobots);
}

// --- Rename --------------------------------------------------------------------------------------

TEST_F(CategoryDialogsTest, RenameMovesTheSectionToTheEndWithTheDefaultIcon) {
  BuildMenu();
  const size_t sportImage = menu_.Entries()[1].image;
  TFormCategoryRename form(home_.Path(), menu_, dialogs_);
  Choose(form.categories, "Sport");
  form.newName = "Actualités";
  form.ClickRename();

  EXPECT_THAT(dialogs_.messages, ElementsAre(Plain("Renommer Sport vers Actualités s'est déroulé avec succès")));
  EXPECT_EQ(Categories(), "[General]\r\niconfile=g.ico\r\n[News]\r\n[Actualités]\r\niconfile=google.ico\r\n");
  EXPECT_EQ(Robots(),
            "[general]\r\n[dictionary]\r\n"
            "[A]\r\nDataFrom=Search engine functionality\r\nCategory=Actualités\r\n"
            "[B]\r\nDataFrom=Web Site Backup\r\nCategory=Sport\r\n"
            "[C]\r\nDataFrom=Search engine functionality\r\n"
            "[D]\r\nDataFrom=Search engine functionality\r\nCategory=sport\r\n"
            "[E]\r\nDataFrom=Search engine functionality\r\nCategory=Actualités\r\niconfile=e.ico\r\n");
  // The entry keeps its place, its robots and its image until the next start.
  EXPECT_THAT(MenuCaptions(), ElementsAre("General", "Actualités", "News"));
  EXPECT_EQ(menu_.Entries()[1].image, sportImage);
  EXPECT_EQ(menu_.Entries()[1].robots.size(), 2u);
}

TEST_F(CategoryDialogsTest, RenameRenamesEveryMenuEntryOfThatName) {
  SetCategories("[Sport]\r\n");
  menu_.AddCategory("&Sport", {});
  menu_.AddCategory("Sport", {});
  TFormCategoryRename form(home_.Path(), menu_, dialogs_);
  form.newName = "Jeux";
  form.ClickRename();
  EXPECT_THAT(MenuCaptions(), ElementsAre("Jeux", "Jeux"));
}

struct TRenameRefusalCase {
  std::string label;
  std::string chosen;
  std::string newName;
  std::string message;
};

class CategoryRenameRefusalTest : public CategoryDialogsTest,
                                  public ::testing::WithParamInterface<TRenameRefusalCase> {};

TEST_P(CategoryRenameRefusalTest, ChangesNothing) {
  const TRenameRefusalCase& c = GetParam();
  BuildMenu();
  const auto menuBefore = menu_.Entries();
  TFormCategoryRename form(home_.Path(), menu_, dialogs_);
  Choose(form.categories, c.chosen);
  form.newName = c.newName;
  form.ClickRename();
  EXPECT_THAT(dialogs_.messages, ElementsAre(Plain(c.message)));
  EXPECT_EQ(Categories(), kCategories);
  EXPECT_EQ(Robots(), kRobots);
  EXPECT_EQ(menu_.Entries(), menuBefore);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CategoryRenameRefusalTest,
    ::testing::Values(
        TRenameRefusalCase{"General", "General", "Divers", "Vous ne pouvez renommer la catégorie general"},
        // The general check comes first.
        TRenameRefusalCase{"GeneralToExisting", "General", "News", "Vous ne pouvez renommer la catégorie general"},
        TRenameRefusalCase{"Exists", "Sport", "NEWS", "Cette nouvelle catégorie existe déjà"},
        TRenameRefusalCase{"OnlyCaseChanges", "Sport", "sport", "Cette nouvelle catégorie existe déjà"},
        TRenameRefusalCase{"ClosingBracket", "Sport", "]", "Le nom de la catégorie ne peut pas contenir \"]\""},
        TRenameRefusalCase{"TrailingBlank", "Sport", "Jeux ",
                           "Le nom de la catégorie ne peut pas commencer ni finir par un blanc"},
        TRenameRefusalCase{"LineBreak", "Sport", "Je\r\nux",
                           "Le nom de la catégorie ne peut pas contenir de saut de ligne ni de caractère nul"}),
    [](const auto& info) { return info.param.label; });

// --- Set icon ------------------------------------------------------------------------------------

TEST_F(CategoryDialogsTest, IconOfGeneralChangesItsKeyAndFirstMenuEntry) {
  SetCategories("[General]\r\niconfile=g.ico\r\n[News]\r\n");
  menu_.AddCategory("&General", {});
  menu_.AddCategory("General", {});
  TFormCategoryiconSelection form(home_.Path(), menu_, dialogs_);
  dialogs_.choices = {Favicon() / "new.ico"};
  form.ClickChooseIcon();
  EXPECT_EQ(form.icon, "new.ico");
  EXPECT_EQ(dialogs_.prompts.at(0).caption, "Choisir l'icône");
  form.ClickOk();
  EXPECT_THAT(dialogs_.messages, IsEmpty());
  EXPECT_EQ(Categories(), "[General]\r\niconfile=new.ico\r\n[News]\r\n");
  EXPECT_THAT(menu_.Entries(), ElementsAre(TEntry{"&General", 1, {}}, TEntry{"General", 0, {}}));
  EXPECT_EQ(menu_.Images().at(1), Favicon() / "new.ico");
}

TEST_F(CategoryDialogsTest, IconAddsTheKeyWhereItWasAbsentAndKeepsOtherBytes) {
  // Keys with binary bytes, an LF-only line and a line without "=" stay as they are.
  const std::string before = std::string("[News]\nx\x01\xff=\x80y\r\nno equals\r\n[Sport]\r\niconfile=s.ico\r\n");
  SetCategories(before);
  TFormCategoryiconSelection form(home_.Path(), menu_, dialogs_);
  form.icon = "new.ico";
  form.ClickOk();
  EXPECT_EQ(Categories(),
            std::string("[News]\nx\x01\xff=\x80y\r\nno equals\r\niconfile=new.ico\r\n[Sport]\r\niconfile=s.ico\r\n"));
  form.categories.Choose(1);
  form.icon = "";
  form.ClickOk();
  EXPECT_EQ(Categories(),
            std::string("[News]\nx\x01\xff=\x80y\r\nno equals\r\niconfile=new.ico\r\n[Sport]\r\niconfile=\r\n"));
}

TEST_F(CategoryDialogsTest, IconRefusals) {
  TFormCategoryiconSelection form(home_.Path(), menu_, dialogs_);
  Choose(form.categories, "News");
  form.icon = "a\nb.ico";
  form.ClickOk();
  SetCategories("[General]\r\n");
  form.icon = "new.ico";
  form.ClickOk();
  EXPECT_THAT(dialogs_.messages,
              ElementsAre(Plain("Le nom du fichier d'icône ne peut pas contenir de saut de ligne ni de caractère nul"),
                          Plain("The category doesn't exists")));
  EXPECT_EQ(Categories(), "[General]\r\n");
}

// --- Without a category file ---------------------------------------------------------------------

TEST_F(CategoryDialogsTest, WithoutACategoryFileTheListsAreEmptyAndNothingIsWritten) {
  fs::remove(CategoryFile());
  TFormCategoryDeletion deletion(home_.Path(), menu_, dialogs_);
  TFormCategoryRename rename(home_.Path(), menu_, dialogs_);
  TFormCategoryiconSelection icon(home_.Path(), menu_, dialogs_);
  EXPECT_THAT(deletion.categories.Names(), IsEmpty());
  EXPECT_EQ(deletion.categories.Chosen(), std::nullopt);
  rename.newName = "Jeux";
  icon.icon = "new.ico";
  deletion.ClickDelete();
  rename.ClickRename();
  icon.ClickOk();
  EXPECT_THAT(dialogs_.messages, IsEmpty());
  EXPECT_FALSE(fs::exists(CategoryFile()));
  EXPECT_EQ(Robots(), kRobots);
}

TEST_F(CategoryDialogsTest, CategoryFileRemovedWhileADialogIsOpen) {
  TFormCategoryDeletion deletion(home_.Path(), menu_, dialogs_);
  TFormCategoryiconSelection icon(home_.Path(), menu_, dialogs_);
  Choose(deletion.categories, "Sport");
  fs::remove(CategoryFile());
  deletion.ClickDelete();
  icon.ClickOk();
  EXPECT_THAT(dialogs_.messages, ElementsAre(Plain("Category don't exist"), Plain("The category doesn't exists")));
  EXPECT_FALSE(fs::exists(CategoryFile()));
  EXPECT_EQ(Robots(), kRobots);
}

TEST_F(CategoryDialogsTest, UnwritableCategoryFileRaisesTheStoreError) {
  // A folder in the file's place: the write cannot replace it.
  fs::remove(CategoryFile());
  fs::create_directory(CategoryFile());
  TFormCategoryCreation form(home_.Path(), menu_, dialogs_);
  form.name = "News";
  EXPECT_THROW(form.ClickSave(), config::EConfigWriteError);
  EXPECT_THAT(dialogs_.messages, IsEmpty());
  EXPECT_THAT(menu_.Entries(), IsEmpty());
}

// --- Change events ---

TEST_F(CategoryDialogsTest, ChoosingACategoryOrAnIconTellsWhatChanged) {
  using TField = TFormCategoryiconSelection::TField;
  TFormCategoryiconSelection form(home_.Path(), menu_, dialogs_);
  test::TChangeRecorder<TField> recorder(form.Changed);
  form.ChooseCategory(0);  // the first entry is chosen at opening
  EXPECT_TRUE(recorder.changes.empty());
  form.ChooseCategory(1);
  form.ChooseCategory(9);
  dialogs_.choices = {Favicon() / "new.ico"};
  form.ClickChooseIcon();
  form.ClickOk();  // writes the file, changes no field
  EXPECT_EQ(recorder.Fields(), (std::vector<TField>{TField::Chosen, TField::Chosen, TField::Icon, TField::Preview}));
}

TEST(CategoryActionSelectionTest, ChoosingAnItemTellsTheChoice) {
  using TField = TFormCategoryActionSelection::TField;
  TFormCategoryActionSelection form;
  test::TChangeRecorder<TField> recorder(form.Changed);
  form.Choose(7);
  EXPECT_TRUE(recorder.changes.empty());
  form.Choose(2);
  EXPECT_EQ(form.chosen, 2u);
  EXPECT_EQ(recorder.Fields(), std::vector<TField>{TField::Chosen});
}

}  // namespace
}  // namespace varnelo::results

// The preview on the results page after a deleted-data scan of a small FAT16 volume made here,
// holding a PNG, a JPEG, an RTF document and a zip archive, each present and deleted: each
// previews as what it is, a text file shows the no-preview picture, and a quick run of
// selections ends in the preview of the last one. Stop on a large file asks; No lets the preview
// go on to show, Yes ends it early with the no-preview picture and the worker joined.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include <wx/image.h>
#include <wx/listctrl.h>
#include <wx/textctrl.h>

#include "PageTestFixture.h"
#include "app/wx/WxShellLauncher.h"
#include "ToolkitTestUtil.h"
#include "ResultsPageSteps.h"
#include "platform/FakeShellLauncher.h"
#include "pages/analysis/wx/RecoveryAnalysis.h"
#include "pages/results/wx/PreviewPane.h"
#include "pages/results/wx/ViewDataInControls.h"
#include "storage/VolumeGeometry.h"
#include "widgets/wx/ColoredListCtrl.h"
#include "widgets/wx/FolderTreeCtrl.h"
#include "widgets/wx/PictureCtrl.h"

namespace {

namespace fs = std::filesystem;
using guitest::Script;
using Page = ViewDataInControls;
using Shown = PreviewPane::Shown;

constexpr uintmax_t kBigFileSize = 64u << 20;
const wxColour kSquareColour(20, 180, 60);

class PreviewTest : public guitest::PageTest {
 protected:
  void SetUp() override {
    if (std::system("command -v mkfs.fat mcopy mdel zip >/dev/null") != 0)
      GTEST_SKIP() << "mkfs.fat, mtools and zip are needed";
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) wxInitAllImageHandlers();
    m_Dir = fs::temp_directory_path() / ("merrowind-preview-test-" + std::to_string(::getpid()));
    fs::remove_all(m_Dir);
    fs::create_directories(m_Dir);
    MakeFiles();
    m_Image = (m_Dir / "fat16.img").string();
    const std::string d = m_Dir.string();
    const std::string script =
        "cd '" + d + "' && truncate -s 96M fat16.img && mkfs.fat -F 16 fat16.img >/dev/null && "
        "mcopy -i fat16.img photo.png photo.jpg notes.rtf bundle.zip readme.txt big.png :: && "
        "mcopy -i fat16.img square.png data.zzq :: && mmd -i fat16.img ::/sub && "
        "mcopy -i fat16.img bundle.zip ::/sub/inner.zip && "
        "mcopy -i fat16.img photo.png ::/gone.png && mcopy -i fat16.img photo.jpg ::/gone.jpg && "
        "mcopy -i fat16.img notes.rtf ::/gone.rtf && mcopy -i fat16.img bundle.zip ::/gone.zip && "
        "mdel -i fat16.img ::/gone.png ::/gone.jpg ::/gone.rtf ::/gone.zip";
    ASSERT_EQ(std::system(script.c_str()), 0) << script;
    StartPageEnvironment();
    UseImageAsVolume(m_Image, FileSystemKind::Fat16);
    ASSERT_EQ(DetectVolumeGeometry(), 1);
  }
  void TearDown() override {
    guitest::PageTest::TearDown();
    if (!m_Dir.empty()) fs::remove_all(m_Dir);
  }

  void MakeFiles() {
    // A picture of two colour bands, larger than the area one way, and a small JPEG.
    wxImage png(900, 120);
    for (int x = 0; x < 900; ++x)
      for (int y = 0; y < 120; ++y) png.SetRGB(x, y, x < 450 ? 200 : 30, 90, y < 60 ? 220 : 40);
    ASSERT_TRUE(png.SaveFile((m_Dir / "photo.png").string(), wxBITMAP_TYPE_PNG));
    // A square of one colour, taller than the picture's place: it must stay square.
    wxImage square(300, 300);
    square.SetRGB(wxRect(0, 0, 300, 300), kSquareColour.Red(), kSquareColour.Green(),
                  kSquareColour.Blue());
    ASSERT_TRUE(square.SaveFile((m_Dir / "square.png").string(), wxBITMAP_TYPE_PNG));
    wxImage jpg(160, 100);
    for (int x = 0; x < 160; ++x)
      for (int y = 0; y < 100; ++y) jpg.SetRGB(x, y, 250, x, y * 2);
    ASSERT_TRUE(jpg.SaveFile((m_Dir / "photo.jpg").string(), wxBITMAP_TYPE_JPEG));
    // A picture long enough to stop while it is extracted: the image ends early in the file and
    // the rest is padding that the picture reader never reaches.
    ASSERT_TRUE(jpg.Scale(320, 200).SaveFile((m_Dir / "big.png").string(), wxBITMAP_TYPE_PNG));
    fs::resize_file(m_Dir / "big.png", kBigFileSize);
    fs::copy_file(MERROWIND_SOURCE_DIR "/tests/core/results/rtf/pandoc-notes.rtf",
                  m_Dir / "notes.rtf");
    std::ofstream(m_Dir / "readme.txt") << "plain text\n";
    std::ofstream(m_Dir / "data.zzq") << "of a kind no program is set for\n";
    const std::string zip = "cd '" + m_Dir.string() + "' && zip -q -X bundle.zip readme.txt photo.jpg";
    ASSERT_EQ(std::system(zip.c_str()), 0);
  }

  static Page* Running() { return guitest::RunningResultsPage(); }
  static Script::Step WhenSettled(std::function<void(Page&)> what) {
    return guitest::WhenResultsSettled(std::move(what));
  }
  static Script::Step Screenshot(const std::string& name) { return guitest::ScreenshotStep(name); }
  // Selects the row of that name alone through the list control, as a click does.
  static long Select(Page& p, const std::string& name) {
    for (long i = 0; i < p.m_List->GetItemCount(); ++i)
      p.m_List->SetItemState(i, 0, wxLIST_STATE_SELECTED);
    for (size_t i = 0; i < p.m_List->Rows().size(); ++i) {
      if (RowName(p.m_List->Rows()[i]) != name) continue;
      p.m_List->SetItemState(static_cast<long>(i), wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                             wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
      return static_cast<long>(i);
    }
    ADD_FAILURE() << "no row " << name;
    return -1;
  }

  fs::path m_Dir;
  std::string m_Image;
};

TEST_F(PreviewTest, EachKindPreviewsPresentAndDeleted) {
  std::map<std::string, Shown> shown;
  std::string rtfText;
  int zipRows = 0;
  std::string zipFirst, zipSecondSize;
  std::string folderMode;
  std::vector<std::string> names;
  bool quickEndedOnLast = false;
  std::string quickState;
  std::vector<Script::Step> steps = {Told(), WhenSettled([&](Page& p) {
    for (const ResultRow& r : p.m_List->Rows()) names.push_back(RowName(r));
  })};
  // Present files by name; deleted ones ("deleted .png") by their extension.
  const char* const keys[] = {"photo.png", "photo.jpg", "notes.rtf",   "bundle.zip",
                              "readme.txt", "deleted .png", "deleted .jpg", "deleted .rtf",
                              "deleted .zip"};
  for (const std::string key : keys) {
    steps.push_back(WhenSettled([&, key](Page& p) {
      std::string n = key;
      if (key.rfind("deleted ", 0) == 0) {
        const std::string ext = key.substr(8);
        for (const ResultRow& r : p.m_List->Rows()) {
          const std::string rn = RowName(r);
          if (r.Deleted() && rn.size() > ext.size() &&
              rn.compare(rn.size() - ext.size(), ext.size(), ext) == 0)
            n = rn;
        }
      }
      Select(p, n);
    }));
    steps.push_back(WhenSettled([&, key](Page& p) {
      shown[key] = p.m_PreviewArea->State();
      if (key == "notes.rtf") rtfText = p.m_PreviewArea->m_RichText->GetValue().utf8_string();
      if (key == "bundle.zip") {
        zipRows = p.m_PreviewArea->m_ZipList->GetItemCount();
        zipFirst = p.m_PreviewArea->m_ZipList->GetItemText(0, 0).utf8_string();
        zipSecondSize = p.m_PreviewArea->m_ZipList->GetItemText(1, 2).utf8_string();
      }
    }));
    if (key == "photo.png" || key == "notes.rtf" || key == "bundle.zip" || key == "readme.txt")
      steps.push_back(Screenshot("preview-" + key));
  }
  // A double-click extracts the file and hands it to the desktop to open.
  ScopedFakeLauncher launcher;
  steps.push_back(WhenSettled([&](Page& p) {
    for (size_t i = 0; i < p.m_List->Rows().size(); ++i)
      if (RowName(p.m_List->Rows()[i]) == "notes.rtf") p.PreviewRow(static_cast<long>(i), true);
  }));
  steps.push_back(WhenSettled([](Page&) {}));
  // A quick run of selections: each stops and joins the one before; the last one shows.
  steps.push_back(WhenSettled([&](Page& p) {
    Select(p, "bundle.zip");
    Select(p, "notes.rtf");
    Select(p, "photo.png");
    Select(p, "photo.jpg");
  }));
  steps.push_back(WhenSettled([&](Page& p) {
    quickEndedOnLast = p.m_PreviewArea->State() == Shown::Picture &&
                       fs::path(p.m_PreviewArea->ExtractedPath()).filename() == "photo.jpg" &&
                       p.m_PreviewArea->m_Picture->Image().GetWidth() == 160;
    quickState = std::to_string(static_cast<int>(p.m_PreviewArea->State())) + " " +
                 p.m_PreviewArea->ExtractedPath() + " " +
                 std::to_string(p.m_PreviewArea->m_Picture->Image().GetWidth());
    struct stat st {};
    ::stat(fs::path(p.m_PreviewArea->ExtractedPath()).parent_path().c_str(), &st);
    folderMode = std::to_string(st.st_mode & 0777);
    p.CallAfter([&p] { p.OnBack(); });
  }));
  steps.push_back(Answer(wxID_OK));
  Script run(std::move(steps));
  RecoveryAnalysis analysis;
  analysis.DoModal();
  EXPECT_TRUE(run.Finished()) << "stopped at step " << run.StepReached();
  EXPECT_EQ(shown["photo.png"], Shown::Picture);
  EXPECT_EQ(shown["photo.jpg"], Shown::Picture);
  EXPECT_EQ(shown["notes.rtf"], Shown::Rtf);
  EXPECT_EQ(shown["bundle.zip"], Shown::Zip);
  EXPECT_EQ(shown["readme.txt"], Shown::NoPreview);
  EXPECT_EQ(shown["deleted .png"], Shown::Picture);
  EXPECT_EQ(shown["deleted .jpg"], Shown::Picture);
  EXPECT_EQ(shown["deleted .rtf"], Shown::Rtf);
  EXPECT_EQ(shown["deleted .zip"], Shown::Zip);
  EXPECT_NE(rtfText.find("Holiday notes\nFirst paragraph"), std::string::npos) << rtfText;
  EXPECT_EQ(zipRows, 2);
  EXPECT_EQ(zipFirst, "readme.txt");
  EXPECT_EQ(zipSecondSize, std::to_string(fs::file_size(m_Dir / "photo.jpg")));
  EXPECT_TRUE(quickEndedOnLast) << quickState;
  EXPECT_EQ(folderMode, std::to_string(0700));
  ASSERT_EQ(launcher.fake.openedFiles.size(), 1u);
  EXPECT_EQ(fs::path(launcher.fake.openedFiles[0]).filename(), "notes.rtf");
}

// Stop while a large file is extracted: the question, then No lets it go on to show; Yes ends it
// early after another picture was shown, with nothing of either shown and the worker joined; a
// stopped open hands nothing to the desktop.
TEST_F(PreviewTest, StopAsksNoGoesOnYesEndsWithNothingShown) {
  ScopedFakeLauncher launcher;
  struct Stop {
    bool runningWhenAsked = false;
    Shown shown = Shown::Placeholder;
    bool pictureShown = true;
    bool joined = false;
    uintmax_t written = 0;
  };
  std::vector<Stop> stops;  // No, Yes, Yes on an open
  int pictureWidth = 0;
  auto startBig = [](bool open) {
    return WhenSettled([open](Page& p) {
      const long row = Select(p, "big.png");
      if (open) p.PreviewRow(row, true);
      p.CallAfter([&p] { guitest::ClickButton(*p.m_PreviewArea, 1048); });
    });
  };
  // The question is up while the worker is held mid-file.
  auto whileAsked = [&stops] {
    return [&stops] {
      Page* p = Running();
      if (!p || !guitest::FindShownDialog<ViewQuestionMsg>()) return false;
      if (stops.empty()) guitest::SaveScreenshot("preview-stop-question");
      stops.push_back({.runningWhenAsked = p->m_PreviewArea->Running()});
      return true;
    };
  };
  auto afterStop = [&stops] {
    return WhenSettled([&stops](Page& p) {
      Stop& s = stops.back();
      s.shown = p.m_PreviewArea->State();
      s.pictureShown = p.m_PreviewArea->m_Picture->IsShown();
      s.joined = p.m_PreviewArea->WorkerJoined() && !p.m_PreviewArea->Running();
      s.written = fs::file_size(p.m_PreviewArea->ExtractedPath());
    });
  };
  Script run({
      Told(),
      startBig(false),
      whileAsked(),
      Answer(wxID_CANCEL),
      afterStop(),
      WhenSettled([&](Page& p) {
        pictureWidth = p.m_PreviewArea->m_Picture->Image().GetWidth();
        Select(p, "photo.png");
      }),
      startBig(false),
      whileAsked(),
      Answer(wxID_OK),
      afterStop(),
      Screenshot("preview-stopped"),
      startBig(true),
      whileAsked(),
      Answer(wxID_OK),
      afterStop(),
      WhenSettled([](Page& p) { p.CallAfter([&p] { p.OnBack(); }); }),
      Answer(wxID_OK),
  });
  RecoveryAnalysis analysis;
  analysis.DoModal();
  EXPECT_TRUE(run.Finished()) << "stopped at step " << run.StepReached();
  ASSERT_EQ(stops.size(), 3u);
  EXPECT_EQ(m_Asked[0], "Do you want to stop this process. This may give you incomplete data.");
  // No: the whole file, shown as the picture it holds.
  EXPECT_TRUE(stops[0].runningWhenAsked);
  EXPECT_EQ(stops[0].shown, Shown::Picture);
  EXPECT_EQ(stops[0].written, kBigFileSize);
  EXPECT_EQ(pictureWidth, 320);
  EXPECT_TRUE(stops[0].joined);
  // Yes: ended early; the picture shown before it is gone too.
  for (size_t i = 1; i < 3; ++i) {
    EXPECT_TRUE(stops[i].runningWhenAsked) << i;
    EXPECT_EQ(stops[i].shown, Shown::NoPreview) << i;
    EXPECT_FALSE(stops[i].pictureShown) << i;
    EXPECT_LT(stops[i].written, kBigFileSize) << i;
    EXPECT_TRUE(stops[i].joined) << i;
  }
  EXPECT_TRUE(launcher.fake.openedFiles.empty());
}

// The row of name (any case), or -1.
long RowNamed(Page& p, const std::string& name) {
  for (size_t i = 0; i < p.m_List->Rows().size(); ++i)
    if (wxString::FromUTF8(RowName(p.m_List->Rows()[i])).IsSameAs(name, false))
      return static_cast<long>(i);
  ADD_FAILURE() << "no row " << name;
  return -1;
}

void ClickRow(Page& p, const std::string& name) {
  guitest::MouseClickAt(p.m_List, guitest::ListRowPoint(*p.m_List, RowNamed(p, name)));
}

// Where the square picture lies on the screen, from a screenshot: the bounding box of its colour.
wxRect SquareOnScreen(const wxImage& shot) {
  int left = shot.GetWidth(), top = shot.GetHeight(), right = -1, bottom = -1;
  for (int y = 0; y < shot.GetHeight(); ++y)
    for (int x = 0; x < shot.GetWidth(); ++x)
      if (guitest::Near(wxColour(shot.GetRed(x, y), shot.GetGreen(x, y), shot.GetBlue(x, y)),
                        kSquareColour, 8)) {
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
  return right < 0 ? wxRect() : wxRect(wxPoint(left, top), wxPoint(right, bottom));
}

// Clicks with the mouse: a picture is placed a fifth of the area's width in, 20 pixels down, and
// keeps its proportions; a folder row, another folder in the list or in the tree put the
// placeholder back; a zip listing has its four headers, each a quarter of the width.
TEST_F(PreviewTest, TheAreaFollowsTheFolderPlacesPicturesAndListsZipsAsLaidOut) {
  std::vector<std::pair<std::string, Shown>> states;
  wxRect square, pictureOnScreen, area;
  std::vector<std::string> headers;
  std::vector<int> widths;
  int zipWidth = 0;
  // Records the preview's state once the click reached the page: the row of that name is
  // selected in the list (or, for a folder of the tree, selected there) and the page settled.
  auto record = [&states](const std::string& what, const std::string& selected,
                          bool inTree = false) {
    auto ticks = std::make_shared<int>(0);
    return [&states, what, selected, inTree, ticks] {
      Page* p = Running();
      if (!p || p->Busy()) return false;
      wxString now;
      if (inTree) {
        now = p->m_Tree->GetItemText(p->m_Tree->GetSelection());
      } else if (const long row =
                     p->m_List->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
                 row >= 0) {
        now = wxString::FromUTF8(RowName(p->m_List->Rows()[static_cast<size_t>(row)]));
      }
      if (!now.IsSameAs(selected, false) && ++*ticks < 150) return false;
      states.emplace_back(what, p->m_PreviewArea->State());
      return true;
    };
  };
  Script run({
      Told(),
      WhenSettled([](Page& p) { ClickRow(p, "square.png"); }),
      record("square", "square.png"),
      WhenSettled([&](Page& p) {
        guitest::Pump(10);
        square = SquareOnScreen(guitest::Shot("preview-square"));
        CPictureCtrl* picture = p.m_PreviewArea->m_Picture;
        pictureOnScreen = wxRect(picture->GetScreenPosition(), picture->GetSize());
        area = wxRect(p.m_PreviewArea->GetScreenPosition(), p.m_PreviewArea->GetClientSize());
        ClickRow(p, "sub");
      }),
      record("folder row", "sub"),
      WhenSettled([](Page& p) { ClickRow(p, "photo.jpg"); }),
      record("photo", "photo.jpg"),
      WhenSettled([](Page& p) {
        wxTreeItemIdValue cookie;
        for (wxTreeItemId c = p.m_Tree->GetFirstChild(p.m_Tree->GetRootItem(), cookie); c.IsOk();
             c = p.m_Tree->GetNextChild(p.m_Tree->GetRootItem(), cookie))
          if (p.m_Tree->GetItemText(c).IsSameAs("sub", false))
            guitest::MouseClickAt(p.m_Tree, guitest::TreeItemPoint(*p.m_Tree, c));
      }),
      record("other folder", "sub", true),
      WhenSettled([](Page& p) { ClickRow(p, "inner.zip"); }),
      record("zip", "inner.zip"),
      Screenshot("preview-zip-listing"),
      WhenSettled([&](Page& p) {
        wxListCtrl* zip = p.m_PreviewArea->m_ZipList;
        zipWidth = zip->GetSize().x;
        for (int c = 0; c < zip->GetColumnCount(); ++c) {
          wxListItem item;
          item.SetMask(wxLIST_MASK_TEXT);
          zip->GetColumn(c, item);
          headers.push_back(item.GetText().utf8_string());
          widths.push_back(zip->GetColumnWidth(c));
        }
        guitest::MouseClickAt(p.m_Tree, guitest::TreeItemPoint(*p.m_Tree, p.m_Tree->GetRootItem()));
      }),
      record("tree", "This PC", true),
      WhenSettled([](Page& p) { p.CallAfter([&p] { p.OnBack(); }); }),
      Answer(wxID_OK),
  });
  RecoveryAnalysis analysis;
  analysis.DoModal();
  EXPECT_TRUE(run.Finished()) << "stopped at step " << run.StepReached();
  const std::vector<std::pair<std::string, Shown>> expected = {
      {"square", Shown::Picture}, {"folder row", Shown::Placeholder},
      {"photo", Shown::Picture},  {"other folder", Shown::Placeholder},
      {"zip", Shown::Zip},        {"tree", Shown::Placeholder}};
  EXPECT_EQ(states, expected);
  // The picture's place: a fifth of the width in, 20 down, three fifths wide.
  EXPECT_EQ(pictureOnScreen.x - area.x, area.width / 5);
  EXPECT_EQ(pictureOnScreen.y - area.y, 20);
  EXPECT_EQ(pictureOnScreen.width, area.width * 3 / 5);
  // The square is drawn square, inside its place.
  ASSERT_FALSE(square.IsEmpty());
  EXPECT_NEAR(square.width, square.height, 2) << square.width << "x" << square.height;
  EXPECT_TRUE(pictureOnScreen.Contains(square)) << square.x << "," << square.y;
  EXPECT_EQ(headers, (std::vector<std::string>{"File Name", "Modified Date", "Actual Size",
                                               "Compressed Size"}));
  for (int w : widths) EXPECT_EQ(w, zipWidth / 4);
}

// Opening a file no program takes, when not even the Open With dialog can be shown: the page
// says so instead of doing nothing.
TEST_F(PreviewTest, AFileNothingCanOpenIsToldPlainly) {
  ScopedFakeLauncher launcher;
  launcher.fake.succeed = false;
  Script run({
      Told(),
      WhenSettled([](Page& p) {
        guitest::MouseDoubleClickAt(p.m_List,
                                    guitest::ListRowPoint(*p.m_List, RowNamed(p, "readme.txt")));
      }),
      Told(),
      WhenSettled([](Page& p) { p.CallAfter([&p] { p.OnBack(); }); }),
      Answer(wxID_OK),
  });
  RecoveryAnalysis analysis;
  analysis.DoModal();
  EXPECT_TRUE(run.Finished()) << "stopped at step " << run.StepReached();
  ASSERT_EQ(m_Told.size(), 2u);
  EXPECT_EQ(m_Told[1], kOpenFailedText);
  ASSERT_EQ(launcher.fake.openedFiles.size(), 1u);
}

// The toolkit's windows on the screen, as the desktop's toolkit counts them (its Open With dialog
// is one of them but no window of this program).
int ShownToolkitWindows() {
  struct List {
    void* data;
    List* next;
    List* prev;
  };
  using ListTop = List* (*)();
  using Visible = int (*)(void*);
  using Free = void (*)(List*);
  const auto list = reinterpret_cast<ListTop>(::dlsym(RTLD_DEFAULT, "gtk_window_list_toplevels"));
  const auto visible = reinterpret_cast<Visible>(::dlsym(RTLD_DEFAULT, "gtk_widget_get_visible"));
  const auto free = reinterpret_cast<Free>(::dlsym(RTLD_DEFAULT, "g_list_free"));
  if (!list || !visible || !free) return -1;
  int shown = 0;
  List* windows = list();
  for (List* w = windows; w; w = w->next) shown += visible(w->data) ? 1 : 0;
  free(windows);
  return shown;
}

// A file of a kind no program is set for, opened with the desktop's own launcher: its Open With
// dialog comes up, and Esc closes it without a word from the page.
TEST_F(PreviewTest, AFileOfAKindNoProgramTakesOffersTheOpenWithDialog) {
  InstallWxShellLauncher();
  int before = -1, during = -1;
  auto ticks = std::make_shared<int>(0);
  Script run({
      Told(),
      WhenSettled([&](Page& p) {
        before = ShownToolkitWindows();
        guitest::MouseDoubleClickAt(p.m_List,
                                    guitest::ListRowPoint(*p.m_List, RowNamed(p, "data.zzq")));
      }),
      [&, ticks] {
        // The dialog runs its own loop; this step runs inside it.
        if (++*ticks < 40 && ShownToolkitWindows() <= before) return false;
        guitest::Pump(10);
        guitest::SaveScreenshot("preview-open-with");
        during = ShownToolkitWindows();
        wxUIActionSimulator sim;
        sim.MouseMove(wxGetDisplaySize().x / 2, wxGetDisplaySize().y / 2);
        sim.Char(WXK_ESCAPE);
        return true;
      },
      guitest::WhenResultsSettledAfter(10, [](Page& p) { p.CallAfter([&p] { p.OnBack(); }); }),
      Answer(wxID_OK),
  });
  RecoveryAnalysis analysis;
  analysis.DoModal();
  SetShellLauncher(nullptr);
  EXPECT_TRUE(run.Finished()) << "stopped at step " << run.StepReached();
  EXPECT_EQ(during, before + 1);
  EXPECT_EQ(m_Told.size(), 1u);  // only the deleted-data hint
}

}  // namespace

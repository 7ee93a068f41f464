// Open and Save run on a thread of their own under the progress dialog, with the results of
// the headless editor; no second command starts meanwhile.
#include <gmock/gmock.h>

#include <QRegularExpression>
#include <QThread>
#include <filesystem>

#include "editor/headless_view.h"
#include "editor/open_image.h"
#include "editor/save_image.h"
#include "setup/node_edit.h"
#include "support/test_data.h"
#include "ui/progress_dialog.h"
#include "ui_session.h"

namespace kalvire::ui::test {
namespace {

using namespace platform;

// The desktop prompter, noting each step reported, marked when it came on the interface thread.
class StepRecorder final : public Prompter {
 public:
  explicit StepRecorder(Prompter& inner) : m(inner) {}
  MessageAnswer ShowMessage(const MessageBoxRequest& r) override { return m.ShowMessage(r); }
  std::optional<std::string> AskFilePath(const FileDialogRequest& r) override {
    return m.AskFilePath(r);
  }
  std::optional<std::string> AskText(const TextDialogRequest& r) override { return m.AskText(r); }
  bool EditDmiStrings(DmiDialogData& data) override { return m.EditDmiStrings(data); }
  std::string WindowTitle() const override { return m.WindowTitle(); }
  void SetWindowTitle(const std::string& title) override { m.SetWindowTitle(title); }
  void SetBusy(bool busy) override { m.SetBusy(busy); }
  void ReportProgress(const std::string& step) override {
    steps.push_back(step + (QThread::currentThread() == qApp->thread() ? " (interface)" : ""));
    m.ReportProgress(step);
  }
  std::vector<std::string> steps;
  Prompter& m;
};

TEST(BackgroundCommand, OpenAndSaveRunOffTheInterfaceThreadWithTheHeadlessResults) {
  AppSession s;
  ASSERT_TRUE(s.Start(""));
  StepRecorder recorder(s.View().Prompter());
  s.Editor().controls.prompter = &recorder;
  const QString path = s.WriteSample("copy.rom");
  ASSERT_TRUE(s.Open(path));
  editor::HeadlessEditor headless;
  headless.prompter.SetWindowTitle(s.Editor().base_title);  // the saved history names it
  ASSERT_EQ(editor::OpenRomImagePath(*headless.editor, path.toStdString()), 1);
  EXPECT_EQ(s.SetupTree().GetCount(), headless.editor->controls.setup_tree->GetCount());
  const TreeItem question = s.Question();
  ASSERT_NE(question, kNoItem);
  s.Click(s.Radio("hideRadio"));
  setup::ChangeNodeSetting(*headless.editor, setup::kChangeVisibility, 0, 0, s.NodeOf(question));
  ASSERT_TRUE(s.View().SaveRomImage().saved);
  headless.prompter.QueueAnswer(true);
  QByteArray written;
  ASSERT_TRUE(editor::SaveRomImage(*headless.editor, [&](auto&, auto image, auto&) {
                written = QByteArray(reinterpret_cast<const char*>(image.data()), image.size());
                return true;
              }).saved);
  EXPECT_TRUE(FileBytes(path) == written);
  EXPECT_THAT(recorder.steps,
              testing::IsSupersetOf({"Reading copy.rom", "Decoding Setup",
                                     "Rebuilding module AmiTse", "Writing copy.rom"}));
  EXPECT_EQ(s.Editor().controls.prompter, &recorder);  // the real controls are back
  EXPECT_EQ(s.Editor().controls.setup_tree, &s.SetupTree());
  s.Editor().controls.prompter = &s.View().Prompter();
}

// A real image's save is long enough for the dialog; the sample's needs it at once.
TEST(BackgroundCommand, ProgressDialogNamesTheStepAndASecondCommandDoesNothing) {
  AppSession s;
  const auto images = kalvire::test::SharedImagesDir();
  const auto p7xxdm = images ? *images / "p7xxdm-full-flash.rom" : std::filesystem::path();
  const bool real = std::filesystem::exists(p7xxdm);
  const QString path = s.WriteSample("image.rom");
  if (!real) ProgressDialog::SetDelay(std::chrono::milliseconds(0));
  ASSERT_TRUE(!real || WriteFile(path, FileBytes(QString::fromStdString(p7xxdm.string()))));
  ASSERT_TRUE(s.Start(path));
  ASSERT_NE(s.Question(), kNoItem);
  s.Click(s.Radio("hideRadio"));
  s.Driver().ClearRecords();
  QStringList steps;
  bool second_ran = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    const auto* dialog = s.View().findChild<ProgressDialog*>("progressDialog");
    if (!dialog || !dialog->isVisible() || steps.contains(dialog->Step())) return;
    steps << dialog->Step();
    second_ran |= s.View().OpenRomImagePath(s.WriteSample("b.rom").toStdString()) |
                  s.View().SaveRomImage().saved;
  });
  poll.start(1);
  EXPECT_TRUE(s.View().SaveRomImage().saved);
  ProgressDialog::SetDelay(std::chrono::milliseconds(300));
  poll.stop();
  EXPECT_FALSE(steps.isEmpty());
  const QRegularExpression known(
      "^(Rebuilding module |Compressing the nested volume of file |"
      "Walking the firmware volumes$|Verifying$|Writing image.rom$)");
  for (const QString& step : steps) EXPECT_TRUE(known.match(step).hasMatch()) << step.toStdString();
  EXPECT_FALSE(second_ran);
  const auto& shown = s.Driver().messages;
  EXPECT_EQ(std::count_if(shown.begin(), shown.end(),
                          [](auto& m) { return m.text == "Overwrite existing file?"; }),
            1);
  EXPECT_EQ(s.LastMessage(), "Successfully saved the .ROM file");
  EXPECT_EQ(s.Editor().workspace.m_path, path.toStdString());
  EXPECT_TRUE(s.View().findChild<ProgressDialog*>() == nullptr);
}

}  // namespace
}  // namespace kalvire::ui::test

// Opening the p7xxdm image in the desktop view and saving it after one edit, with a 10 ms timer
// on the interface thread: the time of each, and the longest gap between the timer's ticks,
// which is how long the window went without painting. ...ThroughView is the view's command (it
// runs on a thread of its own); ...OnInterfaceThread calls the same operation directly, as the
// view did before, for comparison. Runs offscreen; skipped when the image is absent.
#include <benchmark/benchmark.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <functional>

#include "corpus.h"
#include "editor/open_image.h"
#include "editor/save_image.h"
#include "setup/ifr_layout.h"
#include "setup/node_edit.h"
#include "setup/node_lookup.h"
#include "ui/kalvire_view.h"
#include "ui/tree_ctrl_x.h"

namespace {

using namespace kalvire;

// Presses Yes, else OK, on every message box, as a person who wants the save would.
class BoxAnswerer {
 public:
  BoxAnswerer() {
    QObject::connect(&m_timer, &QTimer::timeout, [] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || !box->isVisible()) return;
      QAbstractButton* button = box->button(QMessageBox::Yes);
      if (!button) button = box->button(QMessageBox::Ok);
      if (button) button->click();
    });
    m_timer.start(5);
  }

 private:
  QTimer m_timer;
};

// The longest time between two ticks of a 10 ms timer while `work` runs.
qint64 LongestTickGapMs(const std::function<void()>& work) {
  QElapsedTimer clock;
  qint64 last = 0, longest = 0;
  QTimer ticks;
  QObject::connect(&ticks, &QTimer::timeout, [&] {
    const qint64 now = clock.elapsed();
    longest = std::max(longest, now - last);
    last = now;
  });
  clock.start();
  ticks.start(10);
  work();
  longest = std::max(longest, clock.elapsed() - last);
  return longest;
}

// The first ONE_OF question of the open image.
uint32_t FirstQuestion(editor::Editor& editor) {
  for (uint32_t node = 0; node < editor.setup.node_count; ++node) {
    const platform::TreeItem item = editor.setup.nodes[node].item;
    if (item != platform::kNoItem &&
        setup::ItemOpcode(editor.controls.setup_tree->GetItemData(item)) == setup::kOpOneOf) {
      return node;
    }
  }
  return ~0u;
}

// A copy of the p7xxdm image in `dir`, which the saves may overwrite; empty when absent.
std::string CopyOfImage(const QTemporaryDir& dir) {
  const std::filesystem::path source = bench::SharedImages() / "p7xxdm-full-flash.rom";
  const QString path = dir.filePath("p7xxdm.rom");
  if (!std::filesystem::exists(source) ||
      !QFile::copy(QString::fromStdString(source.string()), path)) {
    return {};
  }
  return path.toStdString();
}

constexpr char kNoImage[] = "p7xxdm-full-flash.rom is not in the shared images";

void RunOpen(benchmark::State& state, bool through_view) {
  QTemporaryDir dir;
  const std::string path = CopyOfImage(dir);
  if (path.empty()) return state.SkipWithError(kNoImage);
  ui::CKALVIRE_1View view;
  view.resize(800, 600);
  view.show();
  const BoxAnswerer answerer;
  qint64 longest_gap = 0;
  for (auto _ : state) {
    bool opened = false;
    longest_gap = std::max(longest_gap, LongestTickGapMs([&] {
                             opened = through_view
                                          ? view.OpenRomImagePath(path)
                                          : editor::OpenRomImagePath(view.Editor(), path) == 1;
                           }));
    if (!opened) return state.SkipWithError("Open failed");
  }
  state.counters["longest_tick_gap_ms"] = double(longest_gap);
}

void RunSave(benchmark::State& state, bool through_view) {
  QTemporaryDir dir;
  const std::string path = CopyOfImage(dir);
  if (path.empty()) return state.SkipWithError(kNoImage);
  ui::CKALVIRE_1View view;
  view.resize(800, 600);
  view.show();
  const BoxAnswerer answerer;
  if (!view.OpenRomImagePath(path)) return state.SkipWithError("Open failed");
  editor::Editor& editor = view.Editor();
  const uint32_t question = FirstQuestion(editor);
  if (question == ~0u) return state.SkipWithError("no ONE_OF question");
  uint32_t visible = 0;
  qint64 longest_gap = 0;
  for (auto _ : state) {
    setup::ChangeNodeSetting(editor, setup::kChangeVisibility, visible ^= 1, 0, question);
    bool saved = false;
    longest_gap = std::max(longest_gap, LongestTickGapMs([&] {
                             saved = through_view ? view.SaveRomImage().saved
                                                  : editor::SaveRomImage(editor).saved;
                           }));
    if (!saved) return state.SkipWithError("the save failed");
  }
  state.counters["longest_tick_gap_ms"] = double(longest_gap);
}

void BM_OpenThroughView(benchmark::State& state) {
  RunOpen(state, true);
}
void BM_OpenOnInterfaceThread(benchmark::State& state) {
  RunOpen(state, false);
}
BENCHMARK(BM_OpenThroughView)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenOnInterfaceThread)->Iterations(2)->Unit(benchmark::kMillisecond);

void BM_SaveThroughView(benchmark::State& state) {
  RunSave(state, true);
}
void BM_SaveOnInterfaceThread(benchmark::State& state) {
  RunSave(state, false);
}
BENCHMARK(BM_SaveThroughView)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveOnInterfaceThread)->Iterations(3)->Unit(benchmark::kMillisecond);

// The view with the p7xxdm image open, shared by the selection and search cases; null when
// the image is absent or does not open.
ui::CKALVIRE_1View* OpenedView() {
  static QTemporaryDir dir;
  // Left for the process's end: a widget may not outlive the application object.
  static ui::CKALVIRE_1View* view = [] {
    const std::string path = CopyOfImage(dir);
    auto* opened = new ui::CKALVIRE_1View;
    opened->resize(950, 740);
    opened->show();
    const BoxAnswerer answerer;
    if (path.empty() || !opened->OpenRomImagePath(path)) opened = nullptr;
    return opened;
  }();
  return view;
}

// A click on a node: the node display, the track log lines and the details pane, every 7th
// node in turn.
void BM_SelectNodeInView(benchmark::State& state) {
  ui::CKALVIRE_1View* view = OpenedView();
  if (!view) return state.SkipWithError(kNoImage);
  editor::Editor& editor = view->Editor();
  uint32_t node = 0;
  for (auto _ : state) {
    node = (node + 7) % editor.setup.node_count;
    editor.controls.setup_tree->SelectItem(editor.setup.nodes[node].item);
  }
  state.counters["nodes"] = double(editor.setup.node_count);
}
BENCHMARK(BM_SelectNodeInView)->Unit(benchmark::kMillisecond);

// Typing a text into the find bar: the search over every node, then the selection of the first
// match (expanded to and scrolled into view). The index is read before the timing starts.
void BM_FindInView(benchmark::State& state) {
  ui::CKALVIRE_1View* view = OpenedView();
  if (!view) return state.SkipWithError(kNoImage);
  auto* field = view->findChild<QLineEdit*>("findField");
  if (!field) return state.SkipWithError("no find bar");
  field->setText("warm-up");
  const QString texts[] = {"Active Processor Cores", "0x54b", "Enabled", "usb"};
  size_t k = 0;
  for (auto _ : state) field->setText(texts[k++ % std::size(texts)]);
}
BENCHMARK(BM_FindInView)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

// The panel without a mouse: Tab reaches every enabled control of each page and the title bar,
// Space and Enter press the icon buttons, the main buttons have mnemonics, and the dialogs take
// Enter and Escape (the program's own busy and message dialogs ignore Escape).
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTableWidget>
#include <QTest>

#include "gui/diagnostics_view.h"
#include "gui/dialogs_view.h"
#include "gui/qt_panel.h"
#include "pages/general/device_panels_view.h"
#include "pages/general/general_page.h"
#include "pages/general/general_page_view.h"
#include "pages/matrix/matrix_page.h"
#include "skin/icon_button.h"
#include "support/sim_process.h"

namespace velantor {
namespace {

// What a keyboard user must be able to reach: shown, enabled controls (not the parts that item
// views and combo boxes are built from, nor a grid that only displays bytes).
bool IsControl(QWidget* w) {
  if (!w->isVisible() || !w->isEnabled()) return false;
  if (auto* view = qobject_cast<QAbstractItemView*>(w); view && view->selectionMode() == QAbstractItemView::NoSelection) {
    return false;
  }
  for (QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
    if (qobject_cast<QAbstractItemView*>(p) || qobject_cast<QComboBox*>(p)) return false;
  }
  return qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w) ||
         qobject_cast<QAbstractItemView*>(w) || qobject_cast<QPlainTextEdit*>(w) ||
         w->inherits("velantor::HeaderTab");
}

// The controls of `window` that Tab, pressed from its first control round the whole chain, never
// reaches. Of a set of radio buttons Tab reaches the checked one; the arrows choose among them.
QStringList Unreached(QWidget* window) {
  window->activateWindow();
  QApplication::processEvents();
  QWidget* first = window->nextInFocusChain();
  while (first != window && !((first->focusPolicy() & Qt::TabFocus) && first->isVisible() && first->isEnabled())) {
    first = first->nextInFocusChain();
  }
  first->setFocus(Qt::TabFocusReason);
  QSet<QWidget*> reached;
  const QList<QWidget*> all = window->findChildren<QWidget*>();
  for (int i = 0; i < 3 * all.size() && QApplication::focusWidget(); ++i) {
    QWidget* focus = QApplication::focusWidget();
    for (QWidget* w = focus; w; w = w->parentWidget()) reached.insert(w);  // a combo's edit is the combo
    QTest::keyClick(focus, Qt::Key_Tab);
  }
  QStringList missed;
  for (QWidget* w : all) {
    if (!IsControl(w) || reached.contains(w)) continue;
    if (auto* radio = qobject_cast<QRadioButton*>(w)) {
      const auto siblings = radio->parentWidget()->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly);
      if (std::any_of(siblings.begin(), siblings.end(), [&](QRadioButton* r) { return reached.contains(r); })) continue;
    }
    missed << QString("%1 %2").arg(w->metaObject()->className(), w->objectName());
  }
  return missed;
}

TEST(Keyboard, TabFromTheFirstControlReachesEveryEnabledControlOfEachPageAndTheTitleBar) {
  testing::SimProcess sim({"--tcp", "127.0.0.1:0", "--no-serial", "--no-udp", "--no-stdin"});
  ASSERT_TRUE(sim.Ready());
  auto parsed = ParsePanelOptions({"--connect", "tcp:" + sim.Endpoint("tcp")});
  ASSERT_TRUE(parsed.options) << parsed.error;
  Panel panel(*parsed.options);
  MainWindowView& window = panel.View();
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  QTRY_VERIFY_WITH_TIMEOUT(panel.GeneralPage().StatusView().outputs[3].connected == 1, 5000);
  for (int page : {kPageGeneral, kPageEdid, kPageMatrix, kPageFirmware}) {
    QTRY_VERIFY_WITH_TIMEOUT(panel.Main().HeadersEnabled() && !panel.Shared().Busy.IsOpen(), 10000);
    panel.Main().OnHeaderClick(page);
    QTRY_VERIFY_WITH_TIMEOUT(window.PageView(page) && window.PageView(page)->isVisible(), 3000);
    QTRY_VERIFY_WITH_TIMEOUT(panel.Main().HeadersEnabled(), 10000);
    QApplication::processEvents();
    const QStringList missed = Unreached(&window);
    EXPECT_TRUE(missed.isEmpty()) << "page " << page << ": " << missed.join(", ").toStdString();
  }
}

TEST(Keyboard, SpaceAndEnterPressTheTitleBarButtonsAndEscapeClosesTheAboutBox) {
  PanelOptions options;
  Panel panel(options);
  MainWindowView& window = panel.View();
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  auto* logs = window.findChild<skin::IconButton*>("LogsButton");
  logs->setFocus();
  QTest::keyClick(logs, Qt::Key_Space);
  EXPECT_TRUE(window.Diagnostics()->isVisible());
  QTest::keyClick(logs, Qt::Key_Return);
  EXPECT_FALSE(window.Diagnostics()->isVisible());

  auto* about = window.findChild<skin::IconButton*>("AboutButton");
  about->setFocus();
  QTest::keyClick(about, Qt::Key_Enter, Qt::KeypadModifier);
  QPointer<QMessageBox> box = window.AboutBox();
  ASSERT_NE(box, nullptr);
  QTRY_VERIFY_WITH_TIMEOUT(box->isVisible(), 2000);
  QTest::keyClick(box, Qt::Key_Escape);
  QTRY_VERIFY_WITH_TIMEOUT(box.isNull() || !box->isVisible(), 2000);
}

TEST(Keyboard, TheProgramsOwnMessageDialogIgnoresEscapeAndTheWindowSystemsClose) {
  PanelOptions options;
  Panel panel(options);
  panel.View().show();
  panel.Shared().Message.MessageText = "Time out!";
  panel.Shared().Message.Open();
  OverlayDialogView* message = panel.View().MessageView();
  ASSERT_TRUE(message->isVisible());  // an opening is shown at once
  QTest::keyClick(message, Qt::Key_Escape);
  message->close();
  QApplication::processEvents();
  EXPECT_TRUE(message->isVisible());
  panel.Shared().Message.Close();
  QApplication::processEvents();
  EXPECT_FALSE(message->isVisible());
}

// The panel linked to the emulator over TCP, on `page`, with the page's first exchanges done.
class LinkedPanel : public ::testing::Test {
 protected:
  void Start(const char* page) {
    ASSERT_TRUE(sim.Ready());
    auto parsed = ParsePanelOptions({"--connect", "tcp:" + sim.Endpoint("tcp"), "--page", page});
    ASSERT_TRUE(parsed.options) << parsed.error;
    panel = std::make_unique<Panel>(*parsed.options);
    panel->View().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel->View()));
    QTRY_VERIFY_WITH_TIMEOUT(panel->GeneralPage().StatusView().outputs[3].connected == 1, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(panel->Main().HeadersEnabled() && !panel->Shared().Busy.IsOpen(), 10000);
    QApplication::processEvents();
    panel->View().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&panel->View()));
  }

  testing::SimProcess sim{{"--tcp", "127.0.0.1:0", "--no-serial", "--no-udp", "--no-stdin"}};
  std::unique_ptr<Panel> panel;
};

TEST_F(LinkedPanel, AltROpensTheFactoryResetQuestionWhereEscapeAndEnterBothLeaveTheSwitcherAlone) {
  Start("general");
  auto* general = static_cast<GeneralPageView*>(panel->View().PageView(kPageGeneral));
  ASSERT_NE(general, nullptr);
  ASSERT_TRUE(general->OptionsPanel()->FactoryResetButton()->isEnabled());
  const size_t sent = panel->GeneralPage().SentLog()->Text().size();
  for (Qt::Key answer : {Qt::Key_Escape, Qt::Key_Return}) {
    QTest::keyClick(&panel->View(), Qt::Key_R, Qt::AltModifier);  // presses the button, animated
    QTRY_VERIFY_WITH_TIMEOUT(general->OptionsPanel()->ResetQuestion() != nullptr, 2000);
    QPointer<QMessageBox> question = general->OptionsPanel()->ResetQuestion();
    QTest::keyClick(question, answer);  // Enter takes the default, Cancel
    QTRY_VERIFY_WITH_TIMEOUT(question.isNull() || !question->isVisible(), 2000);
    EXPECT_FALSE(panel->GeneralPage().PageBusy());
    EXPECT_EQ(panel->GeneralPage().SentLog()->Text().size(), sent);
  }
}

TEST_F(LinkedPanel, TheSceneDialogAcceptsWithEnterAndCancelsWithEscape) {
  Start("matrix");
  MainWindowView& window = panel->View();
  auto* page = dynamic_cast<CMatrixPage*>(panel->Main().Page(kPageMatrix));
  ASSERT_NE(page, nullptr);
  QTRY_VERIFY_WITH_TIMEOUT(page->ConfirmedTime(4) == 0 && page->PageBusy() == 0, 5000);
  QApplication::processEvents();
  auto* dialog = window.findChild<QDialog*>("SceneDialog");
  ASSERT_NE(dialog, nullptr);
  auto* scenes = window.PageView(kPageMatrix)->findChild<QTableWidget*>("1047");
  ASSERT_NE(scenes, nullptr);
  const QString before = scenes->item(0, 2)->text();

  for (Qt::Key answer : {Qt::Key_Escape, Qt::Key_Return}) {
    window.activateWindow();
    QTest::keyClick(&window, Qt::Key_E, Qt::AltModifier);  // "Edit"
    QTRY_VERIFY_WITH_TIMEOUT(dialog->isVisible(), 2000);
    emit dialog->findChild<QComboBox*>("1055")->activated(3);  // all outputs from "In3"
    QApplication::processEvents();
    QTest::keyClick(dialog->findChild<QComboBox*>("1055"), answer);
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->isVisible(), 2000);
    EXPECT_EQ(scenes->item(0, 2)->text(), answer == Qt::Key_Escape ? before : QString("3"));
  }
}

}  // namespace
}  // namespace velantor

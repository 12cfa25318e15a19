// The panel's language: with the English translation loaded no visible text of any page, dialog
// or list holds a CJK character; without it (--lang zh) the system's own texts show unchanged.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTest>
#include <algorithm>

#include "gui/diagnostics_view.h"
#include "gui/dialogs_view.h"
#include "gui/qt_panel.h"
#include "pages/matrix/matrix_page.h"
#include "skin/translation.h"
#include "support/sim_process.h"

namespace velantor {
namespace {

bool IsCjk(QChar c) {
  const char16_t u = c.unicode();
  return (u >= 0x3000 && u <= 0x303F) || (u >= 0x3400 && u <= 0x4DBF) || (u >= 0x4E00 && u <= 0x9FFF) ||
         (u >= 0xFF00 && u <= 0xFFEF);
}

// Every text shown by a visible widget of the application that holds a CJK character, with
// the widget that shows it, one a line.
std::string VisibleCjkTexts() {
  QStringList found;
  auto check = [&found](const QWidget* w, const QString& text) {
    if (std::any_of(text.begin(), text.end(), IsCjk)) {
      found << QString("%1 [%2]: %3").arg(w->metaObject()->className(), w->objectName(), text);
    }
  };
  for (const QWidget* w : QApplication::allWidgets()) {
    if (!w->isVisible()) continue;
    check(w, w->toolTip());
    if (w->isWindow()) check(w, w->windowTitle());
    if (auto* label = qobject_cast<const QLabel*>(w)) check(w, label->text());
    if (auto* button = qobject_cast<const QAbstractButton*>(w)) check(w, button->text());
    if (auto* group = qobject_cast<const QGroupBox*>(w)) check(w, group->title());
    if (auto* edit = qobject_cast<const QLineEdit*>(w)) check(w, edit->text());
    if (auto* edit = qobject_cast<const QPlainTextEdit*>(w)) check(w, edit->toPlainText());
    if (auto* box = qobject_cast<const QComboBox*>(w)) {
      for (int i = 0; i < box->count(); ++i) check(w, box->itemText(i));
    }
    if (auto* table = qobject_cast<const QTableWidget*>(w)) {
      for (int c = 0; c < table->columnCount(); ++c) {
        if (table->horizontalHeaderItem(c)) check(w, table->horizontalHeaderItem(c)->text());
        for (int r = 0; r < table->rowCount(); ++r) {
          if (table->item(r, c)) check(w, table->item(r, c)->text());
        }
      }
    }
  }
  return found.join('\n').toStdString();
}

// The panel connected to the emulator over TCP with the hex logs shown, in the language `lang`.
class PanelInLanguage : public ::testing::Test {
 protected:
  void Start(const std::string& lang) {
    translator = skin::InstallTranslation(lang);
    ASSERT_TRUE(sim.Ready());
    auto parsed = ParsePanelOptions({"--connect", "tcp:" + sim.Endpoint("tcp"), "--diagnostics", "--lang", lang});
    ASSERT_TRUE(parsed.options) << parsed.error;
    panel = std::make_unique<Panel>(*parsed.options);
    panel->View().show();
    QTRY_COMPARE_WITH_TIMEOUT(panel->Shared().TcpLinkUp, 1, 3000);
  }
  void TearDown() override {
    panel.reset();
    translator.reset();
  }
  // Shows `page` and waits until its start action has had its answer.
  void Visit(int page) {
    QTest::mouseClick(panel->View().Header(page), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(panel->Main().CurrentPage(), page, 3000);
    QTRY_VERIFY_WITH_TIMEOUT(panel->View().PageView(page) && panel->View().PageView(page)->isVisible(), 3000);
    if (page == kPageMatrix) {
      matrix = dynamic_cast<CMatrixPage*>(panel->Main().Page(kPageMatrix));
      ASSERT_NE(matrix, nullptr);
      QTRY_VERIFY_WITH_TIMEOUT(matrix->ConfirmedTime(4) == 0 && matrix->PageBusy() == 0, 5000);
    } else if (const HexLog* received = panel->Main().Page(page)->ReceivedLog()) {
      QTRY_VERIFY_WITH_TIMEOUT(!received->Text().empty(), 5000);
    }
    QTRY_VERIFY_WITH_TIMEOUT(!panel->View().BusyView()->isVisible(), 5000);
  }
  // The Matrix page's "Port to Port" needs the page's own serial port: in COM mode, with no
  // port open, the page reminds the user to open one.
  void OpenPortReminder() {
    panel->Shared().LinkMode = 0;
    auto* selectOutput = panel->View().PageView(kPageMatrix)->findChild<QComboBox*>("1070");
    ASSERT_NE(selectOutput, nullptr);
    ASSERT_TRUE(selectOutput->isEnabled());
    emit selectOutput->activated(5);
  }
  QMessageBox* Reminder() const {
    auto* box = panel->View().findChild<QMessageBox*>("SystemMessage");
    return box && box->isVisible() ? box : nullptr;
  }
  QComboBox* EffectList() { return panel->View().PageView(kPageMatrix)->findChild<QComboBox*>("1236"); }

  testing::SimProcess sim{{"--tcp", "127.0.0.1:0", "--no-serial", "--no-udp", "--no-stdin"}};
  std::unique_ptr<QTranslator> translator;
  std::unique_ptr<Panel> panel;
  CMatrixPage* matrix = nullptr;
};

TEST_F(PanelInLanguage, InEnglishNoPageDialogOrListShowsAChineseCharacter) {
  Start("en");
  ASSERT_NE(translator.get(), nullptr) << "the English translation is not among the resources";
  for (int page : {kPageGeneral, kPageEdid, kPageMatrix, kPageFirmware, kPageMatrix}) {
    Visit(page);
    EXPECT_EQ(VisibleCjkTexts(), "") << "on page " << page;
  }
  ASSERT_NE(EffectList(), nullptr);
  EXPECT_EQ(EffectList()->itemText(0), "Quick switch");
  EXPECT_EQ(EffectList()->itemText(15), "Vertical checkerboard");
  EXPECT_TRUE(panel->View().Diagnostics()->isVisible());

  QTest::mouseClick(panel->View().PageView(kPageMatrix)->findChild<QAbstractButton*>("1049"), Qt::LeftButton);
  auto* sceneDialog = panel->View().findChild<QDialog*>("SceneDialog");
  ASSERT_NE(sceneDialog, nullptr);
  QTRY_VERIFY_WITH_TIMEOUT(sceneDialog->isVisible(), 2000);
  EXPECT_EQ(VisibleCjkTexts(), "") << "with the scene dialog open";
  sceneDialog->reject();

  OpenPortReminder();
  QTRY_VERIFY_WITH_TIMEOUT(Reminder() != nullptr, 2000);
  QMessageBox* reminder = Reminder();
  EXPECT_EQ(reminder->text(), "Please open the serial port");
  EXPECT_EQ(VisibleCjkTexts(), "") << "with the reminder open";
  reminder->close();
}

TEST_F(PanelInLanguage, InChineseTheSystemsOwnTextsShowUnchanged) {
  Start("zh");
  EXPECT_EQ(translator.get(), nullptr);
  Visit(kPageMatrix);
  ASSERT_NE(EffectList(), nullptr);
  ASSERT_EQ(EffectList()->count(), 16);
  // Trailing spaces and all, as the switcher's own lists have them.
  EXPECT_EQ(EffectList()->itemText(0), QString::fromUtf8("快速切换     "));
  EXPECT_EQ(EffectList()->itemText(8), QString::fromUtf8("盒状展开"));
  EXPECT_EQ(EffectList()->itemText(15), QString::fromUtf8("垂直棋盘 "));
  EXPECT_NE(VisibleCjkTexts(), "");  // the search of the English test does find them
  QStringList captions;
  for (const QLabel* label : panel->View().Diagnostics()->findChildren<QLabel*>()) captions << label->text();
  EXPECT_TRUE(captions.contains(QString::fromUtf8("发送命令"))) << captions.join(", ").toStdString();
  EXPECT_TRUE(captions.contains(QString::fromUtf8("接收命令")));
  EXPECT_EQ(panel->View().windowTitle(), "Velantor Ver7.01");

  OpenPortReminder();
  QTRY_VERIFY_WITH_TIMEOUT(Reminder() != nullptr, 2000);
  QMessageBox* reminder = Reminder();
  EXPECT_EQ(reminder->text(), QString::fromUtf8("请打开串口"));
  reminder->close();
}

TEST(PanelLanguageChoice, TheLangOptionWinsThenTheFirstEnglishOrChineseLanguageThenEnglish) {
  EXPECT_TRUE(skin::WantsEnglish("en", {"zh-CN"}));
  EXPECT_FALSE(skin::WantsEnglish("zh", {"en-US"}));
  EXPECT_FALSE(skin::WantsEnglish("", {"zh-CN", "en-US"}));
  EXPECT_FALSE(skin::WantsEnglish("", {"de-DE", "zh-TW"}));  // LANGUAGE=de:zh_TW
  EXPECT_TRUE(skin::WantsEnglish("", {"en-GB", "zh-CN"}));
  EXPECT_TRUE(skin::WantsEnglish("", {"fr-FR"}));
  EXPECT_TRUE(skin::WantsEnglish("", {"C"}));
  EXPECT_TRUE(skin::WantsEnglish("", {}));

  EXPECT_EQ(ParsePanelOptions({"--lang", "zh"}).options->lang, "zh");
  EXPECT_EQ(ParsePanelOptions({}).options->lang, "");
  for (const char* bad : {"fr", "EN", ""}) EXPECT_FALSE(ParsePanelOptions({"--lang", bad}).options) << bad;
  EXPECT_FALSE(ParsePanelOptions({"--lang"}).options);
}

}  // namespace
}  // namespace velantor

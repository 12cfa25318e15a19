// Skinned controls: icon buttons report their command and show their states, the segment read-out
// paints its upper-cased text, and every shipped icon is a drawable SVG.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QSignalSpy>
#include <QSvgRenderer>
#include <QTest>
#include <set>

#include "skin/icon_button.h"
#include "skin/segment_display.h"
#include "skin/segment_font.h"
#include "skin/skin_resources.h"

namespace velantor::skin {
namespace {

void EnsureApplication() {
  if (qApp) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "skin_test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);  // lives for the whole run
  (void)app;
}

int CountPixels(const QImage& image, QColor colour) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  int count = 0;
  for (int y = 0; y < rgb.height(); ++y) {
    for (int x = 0; x < rgb.width(); ++x) count += rgb.pixelColor(x, y) == colour ? 1 : 0;
  }
  return count;
}

QImage Grab(QWidget& widget) { return widget.grab().toImage().convertToFormat(QImage::Format_RGB32); }

class SkinTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureApplication(); }
};

TEST_F(SkinTest, IconButtonReportsItsControlIdOnClickAndOnlyWhenEnabled) {
  IconButton button(nullptr, 1047, ":/icons/close.svg", ":/icons/close_hover.svg", QString(), "Close");
  button.resize(28, 24);
  QSignalSpy commands(&button, &IconButton::Command);
  QSignalSpy clicks(&button, &QAbstractButton::clicked);

  QTest::mouseClick(&button, Qt::LeftButton);
  ASSERT_EQ(commands.count(), 1);
  EXPECT_EQ(commands.at(0).at(0).toInt(), 1047);
  EXPECT_EQ(clicks.count(), 1);
  EXPECT_EQ(button.toolTip(), "Close");
  EXPECT_EQ(button.cursor().shape(), Qt::PointingHandCursor);

  button.setEnabled(false);
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_EQ(commands.count(), 1);
}

TEST_F(SkinTest, IconButtonPaintsDistinctNormalHoverPressedAndDisabledLooks) {
  // Previous has a drawn hover image but no pressed one, so pressed is derived from hover.
  IconButton button(nullptr, 1057, ":/icons/previous.svg", ":/icons/previous_hover.svg", QString(), "Previous");
  button.resize(32, 32);
  const QImage normal = Grab(button);
  EXPECT_GT(CountPixels(normal, QColor(30, 144, 225)), 50) << "the blue disc of the normal image";

  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
  QApplication::sendEvent(&button, &enter);
  EXPECT_TRUE(button.IsHovered());
  const QImage hover = Grab(button);
  button.setDown(true);
  const QImage pressed = Grab(button);
  button.setDown(false);
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&button, &leave);
  EXPECT_EQ(Grab(button), normal) << "leaving restores the normal image";
  button.setEnabled(false);
  const QImage disabled = Grab(button);

  EXPECT_NE(hover, normal);
  EXPECT_NE(pressed, hover);
  EXPECT_NE(disabled, normal);
  EXPECT_EQ(CountPixels(disabled, QColor(30, 144, 225)), 0) << "a disabled button shows no theme colour";
}

// A display-mode button whose value is old keeps showing which mode was checked, in grey.
TEST_F(SkinTest, AStaleIconButtonIsGreyButStillShowsWhetherItIsChecked) {
  IconButton button(nullptr, 1269, ":/icons/previous.svg", ":/icons/previous_hover.svg");
  button.setCheckable(true);
  button.resize(32, 32);
  button.setChecked(true);
  const QImage checked = Grab(button);
  button.SetStale(true);
  const QImage staleChecked = Grab(button);
  button.setChecked(false);
  const QImage staleUnchecked = Grab(button);
  button.SetStale(false);

  EXPECT_EQ(CountPixels(staleChecked, QColor(30, 144, 225)), 0) << "no theme colour while stale";
  EXPECT_NE(staleChecked, checked);
  EXPECT_NE(staleChecked, staleUnchecked);
  EXPECT_TRUE(button.isEnabled());
  button.setChecked(true);
  EXPECT_EQ(Grab(button), checked);
}

TEST_F(SkinTest, IconButtonWithAMissingIconStillWorksAsAButton) {
  IconButton button(nullptr, 7, ":/icons/no_such_icon.svg", QString(), QString(), "Missing");
  button.resize(24, 24);
  QSignalSpy commands(&button, &IconButton::Command);
  (void)button.grab();
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_EQ(commands.count(), 1);
}

TEST_F(SkinTest, SegmentDisplayStartsEmptyAndUpperCasesItsText) {
  SegmentDisplay display;
  EXPECT_EQ(display.Text(), "EMPTY");
  display.SetText("in 3-b");
  EXPECT_EQ(display.Text(), "IN 3-B");
}

TEST_F(SkinTest, SegmentDisplayLightsOnlyTheSegmentsOfItsText) {
  const QColor green(0, 255, 0);
  SegmentDisplay display;
  display.SetColors(green, Qt::black);
  display.resize(80, 60);

  display.SetText(" ");
  const QImage blank = Grab(display);
  EXPECT_EQ(CountPixels(blank, green), 0) << "nothing is lit for a space";
  EXPECT_GT(CountPixels(blank, display.UnlitColor()), 0) << "unlit segments still show faintly";
  EXPECT_EQ(blank.pixelColor(0, 0), QColor(Qt::black));

  display.SetText("1");
  const int one = CountPixels(Grab(display), green);
  display.SetText("8");
  const int eight = CountPixels(Grab(display), green);
  EXPECT_GT(one, 0);
  EXPECT_GT(eight, 2 * one) << "8 lights seven segments, 1 only two";

  display.SetColors(QColor(255, 0, 0), QColor(0, 0, 255));
  const QImage recoloured = Grab(display);
  EXPECT_EQ(CountPixels(recoloured, green), 0);
  EXPECT_GT(CountPixels(recoloured, QColor(255, 0, 0)), 0);
  EXPECT_EQ(recoloured.pixelColor(0, 0), QColor(0, 0, 255));
}

TEST_F(SkinTest, SegmentGlyphsForDigitsAndLettersAreAllDistinctAndCaseBlind) {
  std::set<std::uint16_t> seen;
  const QString alphabet = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  for (QChar c : alphabet) {
    const std::uint16_t mask = SegmentMask(c);
    EXPECT_NE(mask, 0) << "no glyph for " << c.toLatin1();
    EXPECT_TRUE(seen.insert(mask).second) << c.toLatin1() << " looks like another character";
    EXPECT_EQ(SegmentMask(c.toLower()), mask);
  }
  EXPECT_EQ(SegmentMask(' '), 0);
  EXPECT_EQ(SegmentMask(QChar(0x4E2D)), 0) << "characters outside the font stay dark";
}

TEST_F(SkinTest, EveryShippedIconIsAValidSvgAndTheExpectedSetIsPresent) {
  const QStringList paths = IconPaths();
  for (const QString& path : paths) {
    QSvgRenderer renderer(path);
    EXPECT_TRUE(renderer.isValid()) << path.toStdString();
    EXPECT_FALSE(renderer.defaultSize().isEmpty()) << path.toStdString();
  }
  const std::set<QString> shipped(paths.begin(), paths.end());
  for (const char* name : {"velantor", "not_connected", "connected", "next", "next_hover", "previous",
                           "previous_hover", "close", "close_hover", "minimise", "minimise_hover", "mode_matrix",
                           "mode_matrix_hover", "mode_multiviewer", "mode_multiviewer_hover", "mode_videowall",
                           "mode_videowall_hover", "info", "logs"}) {
    EXPECT_EQ(shipped.count(QString(":/icons/%1.svg").arg(name)), 1u) << name;
  }
}

}  // namespace
}  // namespace velantor::skin

// The General page keeps its layout while its texts change: port lines that gain "Connect" or
// "Disconnect", a Connect button that turns into "Disconnect", a COM note that grows and wraps.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <map>
#include <string>

#include "gui/qt_panel.h"
#include "pages/general/device_panels_view.h"
#include "pages/general/general_page.h"
#include "pages/general/general_page_view.h"
#include "support/sim_process.h"

namespace velantor {
namespace {

// Where every widget of the page sits, in window coordinates, keyed by its class and name (and
// its place among its siblings for the unnamed ones).
std::map<std::string, QRect> Geometry(QWidget* page) {
  std::map<std::string, QRect> places;
  int unnamed = 0;
  for (QWidget* w : page->findChildren<QWidget*>()) {
    if (!w->isVisibleTo(page) && !w->sizePolicy().retainSizeWhenHidden()) continue;
    std::string key = std::string(w->metaObject()->className()) + " " + w->objectName().toStdString();
    if (w->objectName().isEmpty()) key += std::to_string(unnamed++);
    places[key] = QRect(w->mapTo(page->window(), QPoint(0, 0)), w->size());
  }
  return places;
}

// The widgets that moved or changed size, one a line.
std::string Moved(const std::map<std::string, QRect>& before, const std::map<std::string, QRect>& after) {
  std::string out;
  for (const auto& [key, place] : before) {
    auto it = after.find(key);
    if (it == after.end() || it->second != place) {
      const QRect now = it == after.end() ? QRect() : it->second;
      out += key + QString(": %1,%2 %3x%4 -> %5,%6 %7x%8\n")
                       .arg(place.x()).arg(place.y()).arg(place.width()).arg(place.height())
                       .arg(now.x()).arg(now.y()).arg(now.width()).arg(now.height())
                       .toStdString();
    }
  }
  return out;
}

// Lets the views redraw and the layouts then place what changed.
void Settle() {
  QApplication::processEvents();
  QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
}

GeneralPageView* ShownGeneralPage(Panel& panel) {
  panel.View().show();
  Settle();
  return static_cast<GeneralPageView*>(panel.View().PageView(kPageGeneral));
}

// A larger font than the default, as on many desktops: the longer texts no longer fit the
// smallest sizes the controls would take anyway.
class LargeFont {
 public:
  LargeFont() : saved_(QApplication::font()) {
    QFont large = saved_;
    large.setPointSize(saved_.pointSize() + 6);
    QApplication::setFont(large);
  }
  ~LargeFont() { QApplication::setFont(saved_); }

 private:
  QFont saved_;
};

TEST(SteadyLayout, PortLinesAndTheConnectButtonChangeTheirTextsWithoutMovingAnything) {
  LargeFont font;
  testing::SimProcess sim({"--tcp", "127.0.0.1:0", "--no-serial", "--no-udp", "--no-stdin"});
  ASSERT_TRUE(sim.Ready());
  PanelOptions none;
  Panel reference(none);  // no link: lines that only name their ports, "Connect" buttons
  GeneralPageView* plain = ShownGeneralPage(reference);
  ASSERT_NE(plain, nullptr);
  const auto unlinked = Geometry(plain);

  auto parsed = ParsePanelOptions({"--connect", "tcp:" + sim.Endpoint("tcp")});
  ASSERT_TRUE(parsed.options) << parsed.error;
  Panel panel(*parsed.options);
  GeneralPageView* view = ShownGeneralPage(panel);
  ASSERT_NE(view, nullptr);
  QTRY_VERIFY_WITH_TIMEOUT(panel.GeneralPage().StatusView().outputs[3].connected == 1, 5000);
  Settle();
  ASSERT_NE(view->StatusPanel()->InputLine(1)->text(), plain->StatusPanel()->InputLine(1)->text());
  ASSERT_EQ(view->TcpConnectButton()->text().remove('&'), "Disconnect");
  EXPECT_EQ(Moved(unlinked, Geometry(view)), "");
  for (QWidget* shown : std::initializer_list<QWidget*>{view->StatusPanel()->InputLine(1), view->StatusPanel()->OutputLine(4),
                                                         view->TcpConnectButton()}) {
    EXPECT_GE(shown->width(), shown->sizeHint().width()) << shown->objectName().toStdString() << " is cut off";
  }
}

TEST(SteadyLayout, ALongCOMNoteThatWrapsOrChangesMovesNothing) {
  // A long device path makes the note under the port list wrap.
  const std::string link = "/tmp/velantor-e2e-layout-" + std::string(120, 'n') + "-" + std::to_string(getpid());
  testing::SimProcess sim({"--no-tcp", "--serial", link, "--no-udp", "--no-stdin"});
  ASSERT_TRUE(sim.Ready());
  PanelOptions none;
  Panel reference(none);  // no port chosen: an empty or short note
  GeneralPageView* plain = ShownGeneralPage(reference);
  ASSERT_NE(plain, nullptr);
  const auto unlinked = Geometry(plain);

  auto parsed = ParsePanelOptions({"--connect", "serial:" + link});
  ASSERT_TRUE(parsed.options) << parsed.error;
  Panel panel(*parsed.options);
  GeneralPageView* view = ShownGeneralPage(panel);
  ASSERT_NE(view, nullptr);
  ASSERT_EQ(panel.Shared().ComLinkOpen, 1);
  EXPECT_EQ(view->ComConnectButton()->text().remove('&'), "Disconnect");
  EXPECT_EQ(Moved(unlinked, Geometry(view)), "");

  sim.Stop();  // the device goes: the note says so and the button reads "Connect"
  QTRY_COMPARE_WITH_TIMEOUT(panel.Shared().ComLinkOpen, 0, 3000);
  Settle();
  EXPECT_EQ(Moved(unlinked, Geometry(view)), "");
}

}  // namespace
}  // namespace velantor

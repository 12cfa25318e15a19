// What the common kinds of control show, for every page's view state: a check box or radio
// button, and a drop-down list.
#pragma once

#include <string>
#include <vector>

namespace velantor {

struct CheckViewState {
  std::string caption;
  bool checked = false;
  bool enabled = true;
  bool visible = true;
};

struct ListViewState {
  std::vector<std::string> items;
  int selection = -1;
  bool enabled = true;
};

}  // namespace velantor

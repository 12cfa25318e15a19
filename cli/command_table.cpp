#include <cstring>

#include "cli/commands.h"

namespace velantor::cli {

namespace {
const std::vector<CommandEntry> kCommands = {
    {"info", "info                              device, version, size, display mode, options, port status",
     "velantorctl info\n"
     "  Connects, lets the switcher's state be read back as the panel's General page does, and prints\n"
     "  the device, firmware version, size, display mode (with its settings), the beep, IR and border\n"
     "  options, and which inputs and outputs have a device attached.\n",
     PrepareInfo},
    {"route",
     "route [OUT IN | all IN | port-to-port | set IN,IN,IN,IN]\n"
     "                                  show or switch what every output shows",
     "velantorctl route                 what every output shows\n"
     "velantorctl route OUT IN          switch one output (OUT 1-4 or A-D, IN 1-4)\n"
     "velantorctl route all IN          every output to input IN (the ALL button)\n"
     "velantorctl route port-to-port    input N to output N\n"
     "velantorctl route set A,B,C,D     a whole plan, output by output (a scene recall)\n"
     "  Done (exit 0) only when the switcher confirmed every output asked for.\n"
     "  Routing needs the matrix display mode (velantorctl mode matrix).\n",
     PrepareRoute},
    {"effect", "effect OUT NAME|N                 switching effect of an output (1 to 16)",
     "velantorctl effect OUT NAME|N\n"
     "  The switching effect of output OUT (1-4 or A-D): 1 to 16, or by name:\n"
     "  cut fade h-curtain v-curtain wipe-right wipe-down fan windmill box-out box-in\n"
     "  circle-in circle-out h-blinds v-blinds h-checker v-checker\n",
     PrepareEffect},
    {"time", "time OUT N                        switching time of an output (N x 0.5 s, 1 to 8)",
     "velantorctl time OUT N\n  The switching time of output OUT (1-4 or A-D): N half seconds, 1 to 8.\n", PrepareTime},
    {"type", "type IN hdmi|vga|av               signal type of an input",
     "velantorctl type IN hdmi|vga|av\n  The signal type of input IN (1-4).\n", PrepareType},
    {"auto", "auto IN                           picture adjustment of a VGA input",
     "velantorctl auto IN\n  AUTO of input IN (1-4): adjusts a VGA picture; refused for other types.\n", PrepareAuto},
    {"scaler", "scaler N                          SCALER of column N",
     "velantorctl scaler N\n  SCALER of column N (1-4) of the Matrix page: the switcher toggles the scaler.\n",
     PrepareScaler},
    {"option", "option beep|ir|border on|off      device options",
     "velantorctl option beep|ir|border on|off\n"
     "  Beep, IR control, or the multi-viewer border. An option already as asked is left alone.\n",
     PrepareOption},
    {"mode", "mode matrix|multiview|wall [...]  display mode and its settings",
     "velantorctl mode matrix\n"
     "velantorctl mode multiview [--layout N] [--main N] [--audio N]     (each 1 to 4)\n"
     "velantorctl mode wall [--x N] [--y N] [--input N]                  (X, Y 1 to 32; input 1 to 4)\n",
     PrepareMode},
    {"factory-reset", "factory-reset --yes               restore the factory settings",
     "velantorctl factory-reset --yes\n"
     "  Routes input N to output N, sets every input's EDID, beep on, every input to HDMI, and the\n"
     "  switching effects and times to their defaults. Without --yes nothing is sent.\n",
     PrepareFactoryReset},
    {"edid",
     "edid status | set IN|all MODE | copy OUT IN|all | write FILE IN|all\n"
     "     | read OUT|user1|user2 FILE | show FILE    EDIDs of the inputs",
     "velantorctl edid status                  the EDID each input presents\n"
     "velantorctl edid set IN|all MODE         a built-in mode: 1 1080i, 2 1080p, 3 dvi (or those names)\n"
     "velantorctl edid copy OUT IN|all         the EDID of the display on OUT (1-4 or A-D)\n"
     "velantorctl edid write FILE IN|all       download a 128- or 256-byte EDID file\n"
     "velantorctl edid read OUT|user1|user2 FILE   read an output's (1-8 or A-H) or a user memory's\n"
     "                                         EDID and save its 256 bytes\n"
     "velantorctl edid show FILE               decode an EDID file (no switcher needed)\n",
     PrepareEdid},
    {"fw",
     "fw info FILE | merge [--main F] [--slave F] [--ir F] [--panel F] [-o DIR]\n"
     "   | upgrade FILE [--yes]       firmware files and the firmware write",
     "velantorctl fw info FILE           the parts of a firmware file (no switcher needed)\n"
     "velantorctl fw merge [--main F] [--slave F] [--ir F] [--panel F] [-o DIR]\n"
     "                                   merge microcontroller images into one firmware file, written\n"
     "                                   beside the last image or into DIR (no switcher needed)\n"
     "velantorctl fw upgrade FILE [--yes]\n"
     "                                   write the file into the switcher; --yes writes a file whose\n"
     "                                   main part looks like several merged images. A progress bar\n"
     "                                   shows on a terminal; Ctrl-C asks before it stops a write.\n",
     PrepareFirmware},
    {"search", "search [--wait S]                 find switchers on the network (UDP)",
     "velantorctl [--broadcast ADDR] [--search-port N] search [--wait S]\n"
     "  Broadcasts the IP search and lists the switchers that answer within S seconds (default 2).\n",
     PrepareSearch},
    {"netconfig", "netconfig MAC (--auto | --static IP)   network settings of a switcher",
     "velantorctl [--broadcast ADDR] netconfig MAC (--auto | --static IP) [--wait S]\n"
     "  Finds the switcher with that MAC by the IP search, then sends it DHCP (--auto) or a fixed\n"
     "  address, and waits for its confirmation.\n",
     PrepareNetconfig},
};
}  // namespace

const std::vector<CommandEntry>& CommandTable() { return kCommands; }

const CommandEntry* FindCommand(const std::string& word) {
  for (const CommandEntry& entry : kCommands) {
    if (word == entry.word) return &entry;
  }
  return nullptr;
}

std::string OverviewText() {
  std::string text =
      "Usage: velantorctl [--connect tcp:HOST[:PORT] | --connect serial:PATH] [--json] [--timeout S] COMMAND\n"
      "Drives an HDMI matrix switcher from the command line, through the same pages as the panel.\n\n"
      "Commands:\n";
  for (const CommandEntry& entry : kCommands) text += std::string("  ") + entry.synopsis + "\n";
  text +=
      "\nOptions:\n"
      "  --connect tcp:HOST[:PORT]   the switcher over TCP (port 8000 by default)\n"
      "  --connect serial:PATH       the switcher on a serial device\n"
      "                              (default: the VELANTOR_CONNECT environment variable)\n"
      "  --json                      print one JSON document (see velantorctl(1) for its keys)\n"
      "  --timeout S                 give up after S seconds (default 20; fw upgrade 900)\n"
      "  --broadcast ADDR            where search and netconfig broadcast (default 255.255.255.255)\n"
      "  --search-port N, --config-port N   their UDP ports (default 30600, 30601)\n"
      "  --help                      this text; COMMAND --help: the command's own\n"
      "  --version                   the version\n\n"
      "Exit codes: 0 done and confirmed by the switcher, 1 refused or timed out,\n"
      "            2 bad command line, 3 link failure, 4 result not written to standard output.\n";
  return text;
}

}  // namespace velantor::cli

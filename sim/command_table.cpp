#include "sim/command_table.h"

#include <unordered_map>

namespace velantor::sim {

namespace {

using Table = std::unordered_map<uint16_t, CommandHandler>;

Table BuildTable() {
  Table table;
  for (auto group : {InfoCommands(), RoutingCommands(), EdidCommands(), OptionCommands(),
                     SignalCommands(), FirmwareCommands()}) {
    for (const CommandRow& row : group) table[static_cast<uint16_t>(row.op << 8 | row.sub)] = row.handler;
  }
  return table;
}

}  // namespace

CommandHandler FindHandler(uint8_t op, uint8_t sub) {
  static const Table table = BuildTable();
  auto it = table.find(static_cast<uint16_t>(op << 8 | sub));
  return it == table.end() ? nullptr : it->second;
}

}  // namespace velantor::sim

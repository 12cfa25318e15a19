// The command catalogue: every opcode and sub-command the panel sends or acts on, the values
// that travel in their bytes, and small builders and decoders so page code reads as the domain.
#pragma once

#include <cstdint>
#include <optional>

#include "link/command_frame.h"

namespace velantor::protocol {

// Byte positions inside a frame.
constexpr int kByteOpcode = 2;
constexpr int kByteSub = 3;
constexpr int kByteValue = 4;  // status (0 = accepted) or a value
constexpr int kByte5 = 5;
constexpr int kBytePort = 6;   // an input or output number, or a second value
constexpr int kByte7 = 7;
constexpr int kByte8 = 8;
constexpr int kByte9 = 9;
constexpr int kByte10 = 10;

// On/off options travel as 0x0F / 0xF0; in replies 0xFF means off or not connected.
constexpr uint8_t kOn = 0x0F;
constexpr uint8_t kOff = 0xF0;
constexpr uint8_t kReplyOff = 0xFF;
constexpr uint8_t kAccepted = 0x00;

// ---- opcodes and sub-commands ----
constexpr uint8_t kOpDeviceInfo = 0x01;
constexpr uint8_t kSubDeviceType = 0x01;
constexpr uint8_t kSubMatrixSize = 0x02;
constexpr uint8_t kSubFirmwareVersion = 0x03;
constexpr uint8_t kSubInputStatus = 0x04;
constexpr uint8_t kSubOutputStatus = 0x05;
constexpr uint8_t kSubIrState = 0x0A;
constexpr uint8_t kSubBeepState = 0x0B;
constexpr uint8_t kSubInputEdidState = 0x0C;

constexpr uint8_t kOpRouting = 0x02;
constexpr uint8_t kSubQueryRoute = 0x01;
constexpr uint8_t kSubSwitchAll = 0x02;
constexpr uint8_t kSubSwitchOne = 0x03;

constexpr uint8_t kOpEdid = 0x03;
constexpr uint8_t kSubEdidModeAll = 0x01;
constexpr uint8_t kSubEdidModeOne = 0x02;
constexpr uint8_t kSubEdidCopyAll = 0x03;
constexpr uint8_t kSubEdidCopyOne = 0x04;
constexpr uint8_t kSubEdidRead = 0x05;
constexpr uint8_t kSubEdidDownloadAll = 0x06;
constexpr uint8_t kSubEdidDownloadOne = 0x07;
constexpr uint8_t kSubEdidHandshake = 0x08;
constexpr uint8_t kEdidModeFlag = 0xF0;      // byte 5 of the mode, read and announce commands
constexpr uint8_t kEdidUser1 = 0xF1;         // byte 5 of a read from "User1 Memory"
constexpr uint8_t kEdidUser2 = 0xF2;         // byte 5 of a read from "User2 Memory"
constexpr uint8_t kEdidAllInputs = 0xFE;     // byte 4 of the download-to-all announcement
constexpr uint8_t kEdidBlockHeader = 0x56;   // byte 4 of the header before a 290-byte block
constexpr uint8_t kEdidReady = 0xAA;         // byte 4 of the "ready for the block" reply
constexpr size_t kEdidBlockSize = 290;
constexpr size_t kEdidDataSize = 256;

constexpr uint8_t kOpIrControl = 0x05;
constexpr uint8_t kOpBeep = 0x06;
constexpr uint8_t kSubSet = 0x01;

constexpr uint8_t kOpInputType = 0x0A;
constexpr uint8_t kSubSetInputType = 0x01;
constexpr uint8_t kSubAuto = 0x0E;
constexpr uint8_t kSubScaler = 0x0F;
constexpr uint8_t kSignalHdmi = 1;
constexpr uint8_t kSignalVga = 2;
constexpr uint8_t kSignalAv = 3;

constexpr uint8_t kOpSwitching = 0x0B;
constexpr uint8_t kSubEffect = 0x01;
constexpr uint8_t kSubTime = 0x02;

constexpr uint8_t kOpBorder = 0x0C;
constexpr uint8_t kSubSetBorder = 0x01;
constexpr uint8_t kSubQueryBorder = 0x03;

constexpr uint8_t kOpDisplayMode = 0x13;
constexpr uint8_t kSubSetDisplayMode = 0x01;
constexpr uint8_t kSubQueryDisplayMode = 0x02;
constexpr uint8_t kModeMatrix = 1;
constexpr uint8_t kModeMultiViewer = 2;
constexpr uint8_t kModeVideoWall = 3;

constexpr uint8_t kOpMultiViewer = 0x14;
constexpr uint8_t kSubSetLayout = 0x01;
constexpr uint8_t kSubQueryLayout = 0x02;
constexpr uint8_t kSubSetMainSource = 0x03;
constexpr uint8_t kSubQueryMainSource = 0x04;

constexpr uint8_t kOpVideoWall = 0x15;
constexpr uint8_t kSubSetWallColumns = 0x01;
constexpr uint8_t kSubSetWallRows = 0x02;
constexpr uint8_t kSubQueryWallSize = 0x03;

constexpr uint8_t kOpInputChannel = 0x16;
constexpr uint8_t kSubSetInputChannel = 0x01;
constexpr uint8_t kSubQueryInputChannel = 0x02;

constexpr uint8_t kOpFirmware = 0x20;
constexpr uint8_t kFwPart1 = 0x01;
constexpr uint8_t kFwPart2 = 0x02;
constexpr uint8_t kFwPart3 = 0x03;          // byte 3 of part 3's headers and replies (started through part 2)
constexpr uint8_t kFwPart4 = 0x04;          // byte 3 of part 4's start
constexpr uint8_t kFwStart = 0x01;          // byte 4 of "start writing part p"
constexpr uint8_t kFwStartPart3 = 0x03;     // byte 4 of "start part 3 through part 2's channel"
constexpr uint8_t kFwPrepare1 = 0x80;       // part 1 preparation
constexpr uint8_t kFwPrepare2 = 0x10;       // part 1 preparation, second step
constexpr uint8_t kFwBlockHeader = 0xAA;    // byte 4 of a block header; also "ready"
constexpr uint8_t kFwLastBlockHeader = 0x56;
constexpr uint8_t kFwMarker = 0xFE;         // byte 6 of the last block's header
constexpr uint8_t kFwRefused = 0x44;
constexpr uint8_t kFwPart3Ready = 0xFE;     // byte 4 of the 0x20 0x02 "part 3 ready" reply
constexpr uint8_t kFwChannel = 0x40;        // byte 9 of every firmware-page frame
constexpr uint8_t kFwChannelWrap = 0xB0;    // byte 9 while the block index is 240
constexpr size_t kFwBlockSize = 257;

constexpr uint8_t kOpQueryInputType = 0x90;
constexpr uint8_t kOpQuerySwitching = 0x98;
constexpr uint8_t kSubQueryEffect = 0x01;
constexpr uint8_t kSubQueryTime = 0x02;

constexpr uint8_t kOpStandby = 0x88;
constexpr uint8_t kSubStandby = 0x88;

// ---- device identity ----
const char* DeviceTypeName(int type);  // 1 "HDMI MATRIX", 2 "HDBT MATRIX", 3 "HDMI+HDBT etc MATRIX"

// ---- command builders (the bytes the catalogue gives) ----
CommandFrame DeviceQuery(uint8_t sub, int port = 0);       // 0x01 sub, b4 = port
CommandFrame QueryRoute(int output);                        // 0x02 0x01
CommandFrame SwitchAll(int input);                          // 0x02 0x02
CommandFrame SwitchOne(int input, int output);              // 0x02 0x03
CommandFrame SetOption(uint8_t op, bool on);                // 0x05 / 0x06 / 0x0C sub 0x01
CommandFrame SetInputType(int type, int input);             // 0x0A 0x01
CommandFrame ColumnCommand(uint8_t sub, int column);        // 0x0A 0x0E / 0x0F
CommandFrame SetSwitching(uint8_t sub, int value, int output);  // 0x0B 0x01 / 0x02
CommandFrame SetDisplayMode(int mode);                      // 0x13 0x01, b4 = b6 = mode
CommandFrame Query(uint8_t op, uint8_t sub);                // a query without parameters

// ---- reply decoding ----
bool IsStandbyReport(const CommandFrame& frame);
bool IsReplyTo(const CommandFrame& frame, uint8_t op, uint8_t sub);
// 0x01 0x04 / 0x01 0x05: true when b6 is not 0xFF.
bool PortConnected(const CommandFrame& frame);
// 0x01 0x0A / 0x01 0x0B: enabled unless b6 is 0xFF.
bool OptionEnabled(const CommandFrame& frame);

}  // namespace velantor::protocol

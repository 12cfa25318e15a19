// CMatrixPage: which input each output shows. The page reads the switcher's state when it is
// shown (the poll chain), switches one output or a sequence of outputs, sets switching effects
// and input signal types, and keeps eight routing scenes in memory. Its parts, one file each:
// the page itself with its frame and timer tables (matrix_page.cpp), routing and switching
// (routing.cpp), the poll (matrix_poll.cpp), effects and input types (effects_types.cpp) and
// scenes (scenes.cpp). Every command runs on the exchange runner, one at a time; while one runs
// the page is busy, its switching controls do nothing and the page headers stay locked.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "app/page_base.h"
#include "app/socket_connect_wait.h"
#include "pages/matrix/matrix_view_state.h"
#include "pages/matrix/scene_dialog.h"

namespace velantor {

class CMatrixPage : public PageBase {
 public:
  // Timer ids of the page (the switch timers are 2k - 1 and 2k for output k).
  static constexpr int kTimerPollFirst = 18;        // routing query of output 1
  static constexpr int kTimerPollTimeout = 19;
  static constexpr int kTimerDisplayModeRetry = 34;  // the display-mode query's guard
  static constexpr int kTimerDisplayModeTimeout = 35;
  static constexpr int kTimerSocketConnect = 36;     // the wait for the command socket
  static constexpr int kTimerMessage = 59;
  static constexpr int kTimerAnimation = 60;
  static constexpr int kTimerTypeGuard = 78;         // the oldest unanswered input-type request
  static constexpr int kLastPageTimer = 79;
  // First-timer periods of a switch: from an output's buttons, and from the Output
  // configuration group, sequences and the effect commands' time-outs.
  static constexpr int kButtonFirstMs = 3000;
  static constexpr int kReplyMs = 5000;

  // "Select Output" values beside the outputs (0 to 7).
  static constexpr int kAllOutputs = 8;
  static constexpr int kPortToPort = 9;
  // The highest input number a routing report can name.
  static constexpr int kMaxReportedInput = 16;
  // `OutputSource` and the read-out of an output whose report named no input.
  static constexpr int kNoInput = 0;
  static constexpr const char* kNoInputShown = "-";

  CMatrixPage(EventLoop& loop, SharedState& shared, MainWindowPort& mainWindow, SerialLink& port);

  // Routing (routing.cpp). Outputs and inputs are 1-based.
  void OnInputButton(int output, int input);
  void OnPrevious(int output);
  void OnNext(int output);
  void OnSelectOutput(int listIndex);  // the "Select Output" list's entry
  void OnConfigInput(int input);       // the Output configuration group's input buttons
  void OnAllListSelChange(int index);
  void OnAllButton();

  // Effects and input types (effects_types.cpp). Columns are 1 to 4.
  void OnSwitchModeSelChange(int column, int index);
  void OnSwitchTimeSelChange(int column, int index);
  void OnTypeButton(int column, int type);  // 1 HDMI, 2 VGA, 3 AV
  void OnAutoButton(int column);
  void OnScalerButton(int column);

  // Scenes (scenes.cpp). Rows are 0 to 7.
  void OnSceneClick(int row);
  void OnSceneEdit();
  void OnSceneDialogOk();
  void OnSceneDialogCancel();
  void OnSceneSet();
  // Writes the working route into the picked scene's row.
  void RefreshSceneRow();

  void ClearReceivedLog();

  // Shell duties.
  void StartAction() override { StartPolling(); }
  void StartPolling();
  void ClosePort() override;
  void OnTabChosen(int page) override;
  bool LocksHeaders() const override { return runner_.Running(); }

  // Read-only state, under the names of the routing model.
  const MatrixViewState& View() const { return view_; }
  CSceneDialog& SceneDialog() { return sceneDialog_; }
  int OutputSource(int output) const { return outputSource_[Slot(output)]; }
  // The input the read-out shows as the switcher last reported it (over the serial link inputs
  // above 4 are shown without moving the routing model); kNoInput for none.
  int ShownInput(int output) const { return shownInput_[Slot(output)]; }
  int CurrentInput() const { return currentInput_; }
  int WorkingRoute(int output) const { return workingRoute_[Slot(output)]; }
  // A command whose reply the page awaits is in flight.
  int PageBusy() const { return runner_.Running() ? 1 : 0; }
  int SingleSwitch() const { return singleSwitch_; }
  int ResendDone() const { return resendDone_; }
  int SceneIdle() const { return sceneIdle_; }
  int InputIdle(int input) const { return inputIdle_[Slot(input)]; }
  int SelectedOutput() const { return selectedOutput_; }
  int SelectedScene() const { return selectedScene_; }
  const std::string& SceneName() const { return sceneName_; }
  int ConfirmedMode(int column) const { return mode_.confirmed[Slot(column)]; }
  int PendingMode(int column) const { return mode_.pending[Slot(column)]; }
  int ConfirmedTime(int column) const { return time_.confirmed[Slot(column)]; }
  int PendingTime(int column) const { return time_.pending[Slot(column)]; }
  int ConfirmedType(int column) const { return confirmedType_[Slot(column)]; }
  // The type last requested for input `column` and not yet answered; 0 when none is.
  int PendingType(int column) const {
    const std::deque<TypeRequest>& requests = typeRequests_[Slot(column)];
    return requests.empty() ? 0 : requests.back().type;
  }
  // Every timer id the page uses, from its tables.
  static std::vector<int> TimerIds();
  bool TcpReceptionEnabled() const { return tcpReception_; }

 private:
  enum ExchangeId { kPoll = 1, kSingleSwitch, kSequence, kAllCommand, kEffectCommand, kColumnCommand };

  // A switching effect or time: what the switcher confirmed and what was last sent, per column.
  // A type sent and not answered yet. The switcher answers within the reply time or not at all,
  // so an older request was lost and must not take the acknowledgement of a later one.
  struct TypeRequest {
    int type;
    int64_t sentMs;
  };
  void GuardTypeRequests();
  void ForgetTypeRequests();  // no acknowledgement can reach the page any more

  struct EffectSetting {
    std::array<int, kMatrixShownPorts> confirmed{-1, -1, -1, -1};
    std::array<int, kMatrixShownPorts> pending{-1, -1, -1, -1};
  };
  struct EffectKind;
  static const EffectKind kModeKind;
  static const EffectKind kTimeKind;

  static size_t Slot(int n) { return static_cast<size_t>(n >= 1 && n <= kMatrixPorts ? n - 1 : 0); }
  static bool ValidOutput(int n) { return n >= 1 && n <= kMatrixShownPorts; }
  // A working-route entry is a 0-based input the scene dialog can offer.
  static bool ValidRouteIndex(int index) { return index >= 0 && index < kMatrixPorts; }

  // matrix_page.cpp
  void InitialiseView();
  void OnFrame(const CommandFrame& frame, bool sumOk, bool serialPath) override;
  void OnPageTimer(int id) override;
  void OnSocketNotice(int event, int error, bool wasConnected) override;
  bool AcceptsTcpFrames() const override;
  void ShowTimeOut(const std::string& text) override;
  void OnStandby();
  // The link test of the Output configuration group and scene recall: over the serial link the
  // reminder box when the port is closed.
  bool ConfigLinkReady();
  // The link test without a message (the input-type buttons).
  // Every exchange of the page ends here: the gates open again.
  void OnExchangeEnd();
  void OnSwitchEnd(ExchangeEnd end, size_t index);
  Exchange NewExchange(int id, bool withBusy);

  // routing.cpp
  ExchangeStep SwitchStep(int input, int output, int firstMs) const;
  void StartSingleSwitch(int output, int input, int firstMs);
  // Outputs 1 to 4 from the working route, or the given (input, output) steps in order.
  void StartSequence();
  void StartSequence(std::vector<std::pair<int, int>> steps);
  ReplyVerdict OnSwitchAck(const CommandFrame& frame, size_t index);
  void ResendCorruptedAck(const CommandFrame& frame);
  void ShowInput(int output, int input);
  void ShowNumber(int output, int value);
  void SwitchFromSource(int output, int input, bool enabled);

  // matrix_poll.cpp
  void StartPollChain();
  void SocketConnectFailed();
  void MarkReportsStale();
  void MarkRoutesStale();
  void AppendRouteQueries(Exchange& exchange, int firstOutput) const;
  ReplyVerdict OnPollReply(const CommandFrame& frame, size_t index);
  ReplyVerdict OnRouteReply(const CommandFrame& frame, int output, bool serialPath);
  void ApplyRouteReport(const CommandFrame& frame, bool serialPath);
  void ApplyDisplayMode(int mode);
  void SetRoutingControlsEnabled(bool enabled);
  void OnRouteReport(const CommandFrame& frame, bool serialPath);

  // effects_types.cpp
  void OnEffectSelChange(const EffectKind& kind, int column, int index);
  ListViewState& EffectList(const EffectKind& kind, int column);
  void ApplyEffectReport(const EffectKind& kind, int column, int value);
  void ApplyType(int column, int type, bool serialPath);
  void StartColumnCommand(uint8_t sub, int column);
  void OnTypeAck(const CommandFrame& frame, bool serialPath);
  void OnTypeReport(const CommandFrame& frame, bool serialPath);
  // AUTO and SCALER as the confirmed type and the display mode allow.
  void RestoreColumnButtons(int column);
  static std::vector<int> PollTimerIds();
  static std::vector<int> EffectTimerIds();
  void OnModeReport(const CommandFrame& frame, bool serialPath);
  void OnTimeReport(const CommandFrame& frame, bool serialPath);

  // scenes.cpp
  void InitialiseScenes();
  // Loads the row's filled cells into the working route; true for each output a cell named.
  std::array<bool, kMatrixPorts> LoadSceneRow(int row);

  MatrixViewState view_;
  CSceneDialog sceneDialog_;

  // Routing model.
  std::array<int, kMatrixPorts> outputSource_{1, 1, 1, 1, 1, 1, 1, 1};
  std::array<int, kMatrixPorts> shownInput_{1, 1, 1, 1, 1, 1, 1, 1};
  int currentInput_ = 1;
  RoutePlan workingRoute_{1, 1, 1, 1, 1, 1, 1, 1};
  int singleSwitch_ = 0;
  int resendDone_ = 0;
  int sceneIdle_ = 1;
  std::array<int, kMatrixPorts> inputIdle_{1, 1, 1, 1, 1, 1, 1, 1};
  int selectedOutput_ = 0;
  int selectedScene_ = 0;
  std::string sceneName_;
  // The (input, output) of each step of the running switch exchange.
  std::vector<std::pair<int, int>> switchSteps_;
  bool tcpReception_ = false;
  // The poll waits for the command socket's connect notification.
  SocketConnectWait socketWait_;
  // This showing's poll gave up on the command socket ("Connect to Matrix failed!").
  bool socketGaveUp_ = false;
  // The switcher is in matrix display mode as far as the page knows.
  bool routingEnabled_ = true;

  // Effects and input types.
  EffectSetting mode_;
  EffectSetting time_;
  std::array<int, kMatrixShownPorts> confirmedType_{};
  // Per input, the types requested and not yet answered, oldest first: the switcher answers
  // them in order and its acknowledgement names no type.
  std::array<std::deque<TypeRequest>, kMatrixShownPorts> typeRequests_;
};

}  // namespace velantor

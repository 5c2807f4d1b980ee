#pragma once

#include <string_view>

class QWidget;

namespace trovik::plugin {

// Where a module's messages go: by default an OK box with the exclamation
// icon, captioned with the module's title, when the host runs a Qt widget
// application, and a line on standard error otherwise (a headless host such
// as the replay tool), so that a module never fails for lack of a screen.
// Shown instead of a configuration dialog when the host runs no widget
// application.
inline constexpr std::string_view kNoDialogText = "設定ダイアログを表示できません。";

using MessageSink = void (*)(std::string_view caption, std::string_view text);

void ShowModuleMessage(std::string_view caption, std::string_view text);

// Replaces the sink (tests record messages instead of showing them); null
// restores the default. Returns the previous sink.
MessageSink SetMessageSink(MessageSink sink);

// True when the host runs a Qt widget application on this thread, so that a
// module may make windows and dialogs.
bool CanShowWidgets();

}  // namespace trovik::plugin

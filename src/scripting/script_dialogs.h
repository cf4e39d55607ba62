#pragma once

#include "scripting/send_to_script.h"
#include "shell/dialogs_port.h"
#include "shell/main_queue.h"

namespace varnelo::scripting {

// Shows a script's ShowMessage, InputBox and MessageDlg through the program's dialogs, on the main
// thread whatever thread runs the script.
void ConnectDialogs(TScriptHooks& hooks, shell::TDialogsPort& dialogs, shell::TMainQueue& mainQueue);

}  // namespace varnelo::scripting

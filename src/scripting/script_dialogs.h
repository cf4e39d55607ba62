#pragma once

#include "base/dialogs_port.h"
#include "base/main_queue.h"
#include "scripting/send_to_script.h"

namespace varnelo::scripting {

// Shows a script's ShowMessage, InputBox and MessageDlg through the program's dialogs, on the main
// thread whatever thread runs the script.
void ConnectDialogs(TScriptHooks& hooks, base::TDialogsPort& dialogs, base::TMainQueue& mainQueue);

}  // namespace varnelo::scripting

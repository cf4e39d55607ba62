#include "scripting/thread_script.h"

namespace varnelo::scripting {

void TThreadscript::Execute() {
  RunScript("script", nullptr);
  OpenResultFile();
}

}  // namespace varnelo::scripting

#pragma once

namespace varnelo::gui {

// Before the application object exists: what Qt WebEngine needs to start here. Its sandbox refuses
// to run as root, so a root user gets it switched off instead of a browser that never starts; and
// the engine makes no requests of its own beyond the pages it is asked for.
void PrepareWebEngine();

}  // namespace varnelo::gui

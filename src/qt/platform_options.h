#pragma once
// What the program tells Qt before its application object exists.

namespace zt4::qt {

// Call before constructing the QApplication: Qt reads these once, as it starts.
void setPlatformOptions();

} // namespace zt4::qt

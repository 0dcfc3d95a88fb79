#pragma once

// Registers the program's pictures (compiled into the library) with Qt's resource system. Resources
// of a static library are not registered by themselves; calling this more than once is harmless.
void LoadArtwork();

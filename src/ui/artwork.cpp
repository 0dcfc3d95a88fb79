#include "ui/artwork.h"

#include <QtGlobal>

#include <mutex>

static void RegisterArt() { Q_INIT_RESOURCE(art); }

void LoadArtwork()
{
    static std::once_flag once;
    std::call_once(once, RegisterArt);
}

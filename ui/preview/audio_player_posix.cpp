#include "ui/preview/audio_player.h"

namespace tolzeb::ui {

// No media engine is bound here: the play button stays hidden and nothing is started.
AudioPlayerServices platformAudioServices() { return {}; }

}  // namespace tolzeb::ui

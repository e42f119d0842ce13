#pragma once
// Every handler of the main window.

#include "app/lifecycle.h"
#include "playback/end_of_track.h"
#include "playback/repeat.h"
#include "playback/stepping.h"
#include "playback/transport.h"
#include "playlist/playlist.h"
#include "volume/volume.h"

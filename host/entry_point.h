// The plug-in's entry functions, for the front ends that host the VST 2.4 core in-process
// and link it statically. Only the VST 2.4 library exports them.
#pragma once

#include "host/vst/vst2_abi.h"

extern "C" AEffect* VSTCALLBACK VSTPluginMain(audioMasterCallback audioMaster);

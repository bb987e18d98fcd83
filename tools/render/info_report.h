// --info: what a host sees of a plug-in, as plain text.
#pragma once

#include <ostream>

class PluginInstance;

void printInfo(PluginInstance& plugin, std::ostream& out);

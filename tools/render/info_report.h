// --info: what a host sees of a plug-in, as plain text.
#pragma once

#include <ostream>

class RenderInstance;

void printInfo(RenderInstance& plugin, std::ostream& out);

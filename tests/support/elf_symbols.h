// Reads the defined names of an ELF shared object's dynamic symbol table: what the
// dynamic loader lets a host look up in it.
#pragma once

#include <string>
#include <vector>

// Empty with `error` set when the file is not a readable little-endian ELF object.
std::vector<std::string> definedDynamicSymbols(const std::string& path, std::string& error);

// Shared by the content generator's tests: one run of the generator into a
// temporary folder (made once per test program), and file helpers.
#pragma once

#include <string>
#include <vector>

// The folder the generator wrote into (DIR of --out DIR), running it on first
// use with --only-visuals. Empty when the run failed.
const std::string& GetGeneratedDir();

// Runs the generator with --only-visuals into a new temporary folder and
// returns that folder, or "" when it failed.
std::string RunGenerator();

// The whole file as bytes; empty when it cannot be read.
std::vector<unsigned char> ReadFileBytes(const std::string& path);

// The mesh and picture files the generator writes, relative to its folder.
std::vector<std::string> ListVisualFiles();

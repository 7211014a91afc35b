// The subcommands of the corvane program that run the signal algorithms, and the package session
// that every subcommand runs in.
#pragma once

#include <optional>
#include <string>

#include "corvane/framework/Kelvra_Corvane.h"
#include "kelvra/Kelvra.GDIPlus.h"

namespace CLI {
class App;
}

namespace corvane::tool {

// Parses the arguments after the subcommand's name: nothing when the command is to run, else the
// exit status (0 after --help, 1 after an error, reported in one line).
std::optional<int> ParseArguments(CLI::App& app, int argc, char** argv);
// Reports a misused command in one line; returns the exit status 1.
int UsageError(const CLI::App& app, const std::string& message);
// Saves the image as PNG: 0, or 1 after reporting the failure as `<command>: <file>: <message>`.
int SavePng(const CLI::App& app, kelvra::IGPImage& image, const std::string& fileName);

// Package start and end around a command, also when it throws.
struct TPackageSession {
  TPackageSession() { corvane::Initialize(); }
  ~TPackageSession() { corvane::Finalize(); }
};

// `corvane window TYPE ORDER [--alpha A] [--terms K] [--complex] [--json]`, with argv[0] the
// subcommand's name. Returns the exit status.
int RunWindow(int argc, char** argv);
// `corvane design KIND BAND --order N --f1 F [--f2 F] --rate R [--window W] [--param P]
// [--prototype P] [--json] [--plot OUT.png]`, with argv[0] the subcommand's name. Returns the exit status.
int RunDesign(int argc, char** argv);
// `corvane gallery OUT.png`: the sheet of the drawing primitives, brushes, pens and fonts.
int RunGallery(int argc, char** argv);

}  // namespace corvane::tool

// `corvane run`: runs a component tree read from its text form.
#pragma once

namespace corvane::tool {

// `corvane run FILE [--seconds S] [--progress]`, with argv[0] the subcommand's name. Returns the
// exit status: 0 when the graph ran, 1 for a bad file or graph (the message names the line), 130
// when Ctrl-C stopped it.
int RunGraph(int argc, char** argv);

}  // namespace corvane::tool

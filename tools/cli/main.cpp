// pellory-cli: a command-line VST 2.4 host and toolbox.
#include <cstdio>
#include <cstring>
#include <string>

#include "Commands.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage:\n"
               "  pellory-cli info [--plugin PATH]\n"
               "  pellory-cli render [--plugin PATH] [--bank FILE.syx] [--program N] [--midi FILE.mid | --demo]\n"
               "                     [--rate HZ] [--block N] [--seconds S] -o OUT.wav\n"
               "  pellory-cli demo [--plugin PATH] [-o DIR]\n"
               "  pellory-cli bank list FILE.syx\n"
               "  pellory-cli bank factory 1|2 -o FILE.syx\n"
               "  pellory-cli tape decode IN.wav -o OUT.syx [--highpass HZ] [--lowpass HZ] [--threshold PCT]\n"
               "  pellory-cli screenshot [--view chart|edit|browse] [--bank FILE.syx] [--program N] -o FILE.png\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  std::vector<std::string> args(argv + 1, argv + argc);
  const std::string command = args[0];
  args.erase(args.begin());
  cli::Context context;
  context.selfPath = argv[0];
  int status;
  if (command == "info") {
    status = cli::RunInfo(context, args);
  } else if (command == "render") {
    status = cli::RunRender(context, args);
  } else if (command == "demo") {
    status = cli::RunDemo(context, args);
  } else if (command == "bank") {
    status = cli::RunBank(context, args);
  } else if (command == "tape") {
    status = cli::RunTape(context, args);
  } else if (command == "screenshot") {
    status = cli::RunScreenshot(context, args);
  } else if (command == "-h" || command == "--help" || command == "help") {
    Usage();
    return 0;
  } else {
    std::fprintf(stderr, "pellory-cli: unknown command '%s'\n", command.c_str());
    return Usage();
  }
  if (status == cli::kUsage) return Usage();
  return status;
}

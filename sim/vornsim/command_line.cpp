#include "command_line.h"

#include <CLI/CLI.hpp>

#include <stdexcept>

#include "profile.h"

namespace vornsim {
namespace {

std::string Footer() {
  std::string profiles;
  for (const std::string& name : ProfileNames()) profiles += " " + name;
  return "\nBuilt-in profiles:" + profiles +
         "\n\nOn start-up vornsim prints one line, \"pty: /dev/pts/N\", once the line is ready.\n"
         "Open that path (or the --link) as a serial port; replies come at the pace of a\n"
         "9600-baud line. It stops cleanly (state written, link removed) on SIGTERM or Ctrl-C.\n"
         "\nLine file (--line):\n"
         "  {\"channels\": [{\"number\": 3, \"profile\": \"df3\", \"faults\": {\"garbage\": true}},\n"
         "                {\"number\": 4, \"profile\": {...profile object...}}],\n"
         "   \"timing\": {\"turnaroundMs\": 2, \"perCharMs\": 1.0417}}\n"
         "  profile: a built-in name, a profile file (relative to the line file) or an object\n"
         "  like a profile file's; faults and timing may be left out. Fault keys: silent,\n"
         "  channelReply, versionReply, stallAfterFirstChar, overlongBy, garbage, deadAfter,\n"
         "  lists {\"GS\": {\"kind\": \"announceZero\"|\"announceTooMany\"|\"breakOff\"|\"nonNumeric\",\n"
         "  \"times\": 2}}, rawReplies {\"?NT\": \"12\\r\"}.\n"
         "  \"death\": {\"kind\": \"silence\"|\"close\"|\"garbage\", \"afterCommands\": N or \"afterLines\": N}\n"
         "  kills the whole line once, after it has taken N commands or sent N reply lines (counted\n"
         "  from the start): it stops answering, its port goes away, or it sends noise and stops.\n"
         "  SIGUSR1 brings the line back (a closed one on a new pseudo-terminal, the --link pointed\n"
         "  at it), and the pty line is printed again once the line is ready.\n"
         "\nRecord (--record), one line per command received:\n"
         "  {\"t\": ms since start, \"ch\": channel selected or -1, \"cmd\": \"?CH;\"}\n"
         "State (--state), at exit: {\"channels\": {\"3\": {\"input\": 1, \"gain\": 3, ...}}}\n"
         "\nExit codes: 0 stopped cleanly; 1 the pseudo-terminal, or a --link, --record or\n"
         "--state path, could not be made or written; 2 a malformed command line, profile or\n"
         "line file, or no channel.\n"
         "\nExample:\n"
         "  vornsim --channel 0=df3 --channel 1=old-firmware --link \"$WINEPREFIX/dosdevices/com5\"\n";
}

}  // namespace

std::optional<Options> ParseCommandLine(int argc, char** argv) {
  Options options;
  CLI::App app{"vornsim: simulated Vorn conditioner channels on a pseudo-terminal"};
  app.footer(Footer());
  app.add_option("--channel", options.channels,
                 "A channel on the line: N=PROFILE, N from 0 to 127, PROFILE a built-in name or a profile "
                 "file (JSON); may be repeated")
      ->type_name("N=PROFILE");
  app.add_option("--line", options.lineFile, "A line file (JSON): channels, profiles, faults, timing")
      ->type_name("FILE");
  app.add_option("--link", options.link, "Make a symbolic link here to the pseudo-terminal while running")
      ->type_name("PATH");
  app.add_option("--record", options.record, "Append every command received to this file (JSON lines)")
      ->type_name("FILE");
  app.add_option("--state", options.state, "Write every channel's settings to this file (JSON) at exit")
      ->type_name("FILE");
  app.add_flag("--list-profiles", options.listProfiles, "Print the built-in profile names and exit");
  app.add_flag("--exit-on-stdin-eof", options.exitOnStdinEof,
               "Also stop cleanly when stdin reaches its end (a parent closing a pipe)");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == 0) {  // --help: CLI11 prints it
      app.exit(error);
      return std::nullopt;
    }
    throw std::invalid_argument(std::string(error.what()) + " (see vornsim --help)");
  }
  if (!options.listProfiles && options.channels.empty() && !options.lineFile) {
    throw std::invalid_argument("no channel on the line: give --channel N=PROFILE or --line FILE");
  }
  return options;
}

}  // namespace vornsim

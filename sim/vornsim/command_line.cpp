#include "command_line.h"

#include <CLI/CLI.hpp>

#include <stdexcept>

#include "profile.h"

namespace vornsim {
namespace {

#ifdef _WIN32
constexpr const char* kSummary = "vornsim: simulated Vorn conditioner channels on a COM port";
constexpr const char* kServing =
    "\nOn start-up vornsim prints one line, \"port: COM6\", once the line is ready. A host\n"
    "reaches it through the other end of a null-modem pair: a virtual null-modem driver's\n"
    "partner port, or a second port joined to this one by a null-modem cable. Replies come\n"
    "at the pace of a 9600-baud line (9600 baud, 8 data bits, no parity, 1 stop bit, no\n"
    "handshake). It stops cleanly (state written) on Ctrl-C, Ctrl-Break or when its console\n"
    "window closes.\n";
constexpr const char* kRevival = "  A line that died closed releases its COM port until vornsim stops.\n";
constexpr const char* kExample = "  vornsim --port COM6 --channel 0=df3 --channel 1=classic\n";
#else
constexpr const char* kSummary = "vornsim: simulated Vorn conditioner channels on a pseudo-terminal";
constexpr const char* kServing =
    "\nOn start-up vornsim prints one line, \"pty: /dev/pts/N\", once the line is ready.\n"
    "Open that path (or the --link) as a serial port; replies come at the pace of a\n"
    "9600-baud line. It stops cleanly (state written, link removed) on SIGTERM or Ctrl-C.\n";
constexpr const char* kRevival =
    "  SIGUSR1 brings the line back (a closed one on a new pseudo-terminal, the --link pointed\n"
    "  at it), and the pty line is printed again once the line is ready.\n";
constexpr const char* kExample =
    "  vornsim --channel 0=df3 --channel 1=old-firmware --link \"$WINEPREFIX/dosdevices/com5\"\n";
#endif

std::string Footer() {
  std::string profiles;
  for (const std::string& name : ProfileNames()) profiles += " " + name;
  return "\nBuilt-in profiles:" + profiles + "\n" + kServing +
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
         "  from the start): it stops answering, its port goes away, or it sends noise and stops.\n" +
         kRevival +
         "\nRecord (--record), one line per command received:\n"
         "  {\"t\": ms since start, \"ch\": channel selected or -1, \"cmd\": \"?CH;\"}\n"
         "State (--state), at exit: {\"channels\": {\"3\": {\"input\": 1, \"gain\": 3, ...}}}\n"
         "\nExit codes: 0 stopped cleanly; 1 the port could not be opened or failed, or a --link,\n"
         "--record or --state path could not be made or written; 2 a malformed command line,\n"
         "profile or line file, or no channel.\n"
         "\nExample:\n" +
         kExample;
}

}  // namespace

std::optional<Options> ParseCommandLine(int argc, char** argv) {
  Options options;
  CLI::App app{kSummary};
  app.footer(Footer());
  app.add_option("--channel", options.channels,
                 "A channel on the line: N=PROFILE, N from 0 to 127, PROFILE a built-in name or a profile "
                 "file (JSON); may be repeated")
      ->type_name("N=PROFILE");
  app.add_option("--line", options.lineFile, "A line file (JSON): channels, profiles, faults, timing")
      ->type_name("FILE");
#ifdef _WIN32
  CLI::Option* port = app.add_option("--port", options.port, "The COM port to serve, such as COM6")
                          ->type_name("COMn");
#else
  app.add_option("--link", options.link, "Make a symbolic link here to the pseudo-terminal while running")
      ->type_name("PATH");
  app.add_flag("--exit-on-stdin-eof", options.exitOnStdinEof,
               "Also stop cleanly when stdin reaches its end (a parent closing a pipe)");
#endif
  app.add_option("--record", options.record, "Append every command received to this file (JSON lines)")
      ->type_name("FILE");
  app.add_option("--state", options.state, "Write every channel's settings to this file (JSON) at exit")
      ->type_name("FILE");
  app.add_flag("--list-profiles", options.listProfiles, "Print the built-in profile names and exit");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == 0) {  // --help: CLI11 prints it
      app.exit(error);
      return std::nullopt;
    }
    throw std::invalid_argument(std::string(error.what()) + " (see vornsim --help)");
  }
  if (options.listProfiles) return options;
  if (options.channels.empty() && !options.lineFile) {
    throw std::invalid_argument("no channel on the line: give --channel N=PROFILE or --line FILE");
  }
#ifdef _WIN32
  if (port->count() == 0) throw std::invalid_argument("give the COM port to serve: --port COMn");
#endif
  return options;
}

}  // namespace vornsim

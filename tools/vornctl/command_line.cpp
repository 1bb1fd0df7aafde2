// The command line, read with CLI11. Global options may stand before or
// after the command; "trace" may precede any other command.
#include <CLI/CLI.hpp>

#include <iostream>

#include "exit_codes.h"
#include "options.h"
#include "profile.h"

namespace vornctl {

const char* ExitCodeHelp() {
  return "Exit codes:\n"
         "  0  success\n"
         "  1  unexpected internal failure\n"
         "  2  unknown command or option, malformed argument\n"
         "  3  unknown channel: outside 0 to 127, or not found on the line\n"
         "  4  set: a key that names no setting of the channel\n"
         "  5  a value the channel cannot take\n"
         "  6  the serial port cannot be opened\n"
         "  7  no channel answered the scan\n";
}

namespace {

std::string BuiltInProfiles() {
  std::string names;
  for (const std::string& name : vornsim::ProfileNames()) names += " " + name;
  return names;
}

std::string MainFooter() {
  return "\nWhere it talks:\n"
         "  Without --port, vornctl talks to its built-in simulator, on a virtual clock (time-outs\n"
         "  cost no real time; trace time stamps are what a real line would take). Without a\n"
         "  PROFILE the simulated line holds one channel of each built-in profile at channels\n"
         "  0, 1, 2...; with one (a built-in name or a profile file) it holds one channel of that\n"
         "  profile at channel --first.\n"
         "  Built-in profiles:" + BuiltInProfiles() + "\n"
         "\nTrace:\n"
         "  trace writes the traffic to standard error with time stamps in milliseconds, so\n"
         "  the command's own output, --json included, stays clean on standard output.\n"
         "\nHost record:\n"
         "  set and info work on a host record whose scaling starts at --scale and --zero, in\n"
         "  volts at the ADC unless you say otherwise; the library rewrites them as gain and\n"
         "  offset change, so that code x scale + zero stays true to the signal.\n"
         "  vornctl set --help lists the keys and which values a channel takes.\n"
         "\nExamples:\n"
         "  vornctl scan\n"
         "  vornctl info 0\n"
         "  vornctl set 0 gain=3 lowpass=100 coupling=ac\n"
         "  vornctl trace set 0 gain=10\n"
         "  vornctl --port /dev/ttyUSB0 scan --first 0 --last 7\n\n" +
         ExitCodeHelp();
}

const char* kSetFooter =
    "\nKeys: input gain offset lowpass lowpass-type highpass highpass-type coupling notch\n"
    "trigger edge, and the channel's extra settings by name (letter case does not matter,\n"
    "and '-' or '_' may stand for a blank: \"Bridge balance=10\" or bridge-balance=10).\n"
    "\nValues:\n"
    "  input, lowpass-type, highpass-type and choice-type extra settings: a name or an index\n"
    "    as `vornctl info CH` lists them; anything the channel does not offer is refused.\n"
    "  gain, and the cut-off of a stepped filter characteristic: any number; the channel\n"
    "    takes the nearest value it offers, and the output shows requested and taken.\n"
    "  lowpass, highpass: Hz, \"off\" for 0, negative for a mode code; a continuous\n"
    "    characteristic refuses a cut-off outside its range unless it is a listed one.\n"
    "  offset: host units; the channel takes the nearest step it can reach.\n"
    "  numeric extra settings: a number within their range.\n"
    "  coupling ac|dc, notch on|off, trigger 1|2, edge rising|falling.\n"
    "The settings go out with SetCondChan, then gain with CondGainTo and offset with CondOffsTo.\n";

const char* kPanelFooter =
    "\nThe panel is the library's own (CONDVorn.dll beside vornctl.exe), as a host program opens\n"
    "it, with its live display saying \"No data\": vornctl has no ADC. The library takes its port\n"
    "and probe range from its configuration; a PORT, --first and --last given here stand for\n"
    "this run only, and the configuration is put back afterwards. Changes wait for Apply or OK\n"
    "and then send every setting of each changed channel, since a conditioner cannot report\n"
    "its settings; Cancel sends nothing. OK prints what changed.\n";

// Registers --json on a command.
void AddJson(CLI::App& command, Options& options) {
  command.add_flag("--json", options.json, "Print JSON for scripts instead of text");
}

void AddChannel(CLI::App& command, Options& options) {
  command.add_option("channel", options.channel, "Channel number, 0 to 127")->required();
}

// The one command given, noting in the options whether "trace" came with
// it. Throws for none or several.
Command ChosenCommand(const CLI::App& app, Options& options) {
  std::vector<Command> chosen;
  for (const CLI::App* sub : app.get_subcommands()) {
    const std::string& name = sub->get_name();
    if (name == "trace") options.trace = true;
    if (name == "scan") chosen.push_back(Command::kScan);
    if (name == "info") chosen.push_back(Command::kInfo);
    if (name == "set") chosen.push_back(Command::kSet);
    if (name == "demo") chosen.push_back(Command::kDemo);
    if (name == "panel") chosen.push_back(Command::kPanel);
    if (name == "profile") chosen.push_back(Command::kProfile);
  }
  if (chosen.empty()) throw CommandError(ExitCode::kUsage, "trace needs a command to watch, e.g. vornctl trace info 0");
  if (chosen.size() > 1) throw CommandError(ExitCode::kUsage, "give one command at a time");
  return chosen.front();
}

}  // namespace

std::optional<Options> ParseCommandLine(int argc, char** argv) {
  Options options;
  CLI::App app{"vornctl: find, inspect and set Vorn signal-conditioner channels through the CONDVorn library."};
  app.footer(MainFooter());
  app.fallthrough();
  app.require_subcommand(1, 2);  // a command, possibly after "trace"

  std::vector<std::string> sim;
  CLI::Option* port = app.add_option("--port", options.port,
#ifdef _WIN32
                                     "Serial port to use, e.g. COM3"
#else
                                     "Serial port to use, e.g. /dev/ttyUSB0"
#endif
                                     )
                           ->type_name("NAME");
  app.add_option("--sim", sim, "Use the built-in simulator (the default), optionally with one PROFILE")
      ->expected(0, 1)
      ->type_name("[PROFILE]")
      ->excludes(port);
  CLI::Option* first = app.add_option("--first", options.first, "First channel number to probe (default 0)")
                            ->type_name("N")
                            ->check(CLI::Range(0, 127));
  CLI::Option* last = app.add_option("--last", options.last, "Probe at least up to this channel number (default 0)")
                           ->type_name("N")
                           ->check(CLI::Range(0, 127));
  app.add_flag("--log", options.log, "Keep the library's diagnostic log of the initialisation; vornctl says where");
  app.add_option("--adc-range", options.adcRange, "The host's ADC full scale in volts (default 5)")
      ->check(CLI::PositiveNumber);
  app.add_option("--scale", options.scale, "Host record: units per ADC code (default: volts at the ADC)");
  app.add_option("--zero", options.zero, "Host record: units at ADC code 0 (default 0)");
  app.add_option("--units", options.units, "Host record: name of the units, at most 7 characters (default Volt)")
      ->check([](const std::string& units) { return units.size() <= 7 ? std::string() : "at most 7 characters"; });

  CLI::App* scan = app.add_subcommand("scan", "Find the channels on the line and summarise each");
  AddJson(*scan, options);

  CLI::App* info = app.add_subcommand("info", "Everything a channel reports about itself");
  AddChannel(*info, options);
  info->add_option("--input", options.input, "Show the gains of this input (name or index)");
  AddJson(*info, options);

  CLI::App* set = app.add_subcommand("set", "Change a channel's settings: vornctl set CH key=value ...");
  AddChannel(*set, options);
  set->add_option("settings", options.settings, "key=value pairs")->required();
  AddJson(*set, options);
  set->footer(kSetFooter);

  app.add_subcommand("trace", "vornctl trace COMMAND ...: show every command and reply on the line");
  app.add_subcommand("demo", "A guided run on the simulator: scan, info, and a few settings");

  CLI::App* panel = app.add_subcommand("panel", "Windows: set the conditioners by hand in the library's control panel");
  panel->add_option("port", options.panelPort, "Serial port, e.g. COM3 (default: the library's configured port)");
  panel->footer(kPanelFooter);

  CLI::App* profile = app.add_subcommand("profile", "A channel's capabilities as a vornsim profile (JSON)");
  AddChannel(*profile, options);
  profile->add_option("--out", options.out, "Write the profile to this file instead of standard output")
      ->type_name("FILE");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == 0) {  // --help: CLI11 prints it
      app.exit(error);
      return std::nullopt;
    }
    // A word where the command belongs is left over as an extra.
    const std::vector<std::string> extras = app.remaining();
    if (app.get_subcommands().empty() && !extras.empty()) {
      throw CommandError(ExitCode::kUsage, "unknown command \"" + extras.front() +
                                               "\"; commands: scan info set trace demo panel profile "
                                               "(see vornctl --help)");
    }
    throw CommandError(ExitCode::kUsage, std::string(error.what()) + " (see vornctl --help)");
  }

  options.command = ChosenCommand(app, options);
  if (!sim.empty()) options.simProfile = sim.front();
  if (options.command == Command::kDemo && options.port) {
    throw CommandError(ExitCode::kUsage, "demo runs on the simulator only; leave out --port");
  }
  if (options.command == Command::kPanel) {
    if (!sim.empty()) throw CommandError(ExitCode::kUsage, "panel runs on a serial port only; leave out --sim");
    if (options.port && options.panelPort) throw CommandError(ExitCode::kUsage, "give the panel's port once");
    if (options.port) options.panelPort = options.port;
    options.probeRangeGiven = first->count() > 0 || last->count() > 0;
  }
  return options;
}

}  // namespace vornctl

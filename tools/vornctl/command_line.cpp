// The command line, read with CLI11. Global options may stand before or
// after the command; "trace" may precede any other command.
#include <CLI/CLI.hpp>

#include <iostream>

#include "demo.h"
#include "exit_codes.h"
#include "info.h"
#include "options.h"
#include "panel.h"
#include "profile.h"
#include "profile_capture.h"
#include "scan.h"
#include "set.h"

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

#ifdef _WIN32
#define VORNCTL_EXAMPLE_PORT "COM3"
#define VORNCTL_STATE_DIRECTORY "%LOCALAPPDATA%\\condvorn"
#else
#define VORNCTL_EXAMPLE_PORT "/dev/ttyUSB0"
#define VORNCTL_STATE_DIRECTORY "~/.local/state/condvorn ($XDG_STATE_HOME/condvorn when set)"
#endif

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
         "  offset change, so that code x scale + zero stays true to the signal. On a serial\n"
         "  port, set starts from the record it last applied to the channel (set --help).\n"
         "\nErrors:\n"
         "  An error is a message on standard error; with --json also {\"error\": ..., \"exitCode\": ...}\n"
         "  on standard output.\n"
         "\nExamples:\n"
         "  vornctl scan\n"
         "  vornctl info 0\n"
         "  vornctl set 0 gain=3 lowpass=100 coupling=ac\n"
         "  vornctl trace set 0 gain=10\n"
         "  vornctl --port " VORNCTL_EXAMPLE_PORT " scan --first 0 --last 7\n\n" +
         ExitCodeHelp();
}

const char kCommandFooter[] =
    "\nGlobal options (--port, --sim, --first, --last, --log, --adc-range, --scale, --zero,\n"
    "--units) may stand before or after the command: vornctl --help lists them.\n";

const char kSetFooter[] =
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
    "The settings go out with SetCondChan, then gain with CondGainTo and offset with CondOffsTo.\n"
    "\nWhat set starts from:\n"
    "  A conditioner cannot report its settings, so every set applies a whole record. On a\n"
    "  serial port set starts from the record it last applied to the channel, kept per port\n"
    "  in " VORNCTL_STATE_DIRECTORY ":\n"
    "  `set 0 gain=10`, then `set 0 coupling=ac`, leaves gain 10. --fresh starts from the\n"
    "  defaults instead (gain 1, every switch off, first input and characteristics), as a\n"
    "  host program that has just started would. --scale, --zero and --units, when given,\n"
    "  replace the remembered scaling. The simulator's settings are not remembered.\n";

const char kPanelFooter[] =
    "\nThe panel is the library's own (CONDVorn.dll beside vornctl.exe), as a host program opens\n"
    "it, with its live display saying \"No data\": vornctl has no ADC. The library takes its port\n"
    "and probe range from its configuration; a PORT, --first and --last given here stand for\n"
    "this run only, and the configuration is put back afterwards. Changes wait for Apply or OK\n"
    "and then send every setting of each changed channel, since a conditioner cannot report\n"
    "its settings; Cancel sends nothing. OK prints what changed.\n";

const char kTraceUsage[] = " COMMAND [ARGUMENTS...]";

// Usage lines that show where the global options go, and trace's COMMAND,
// which is another command and so no argument CLI11 knows of.
class UsageFormatter : public CLI::Formatter {
 public:
  std::string make_usage(const CLI::App* app, std::string name) const override {
    std::string usage = CLI::Formatter::make_usage(app, name);
    const CLI::App* parent = app->get_parent();
    if (parent == nullptr) return usage;
    // "Usage: vornctl set ..." -> "Usage: vornctl [GLOBAL OPTIONS] set ..."
    const std::string program = parent->get_name();
    usage.insert(usage.find(program) + program.size(), " [GLOBAL OPTIONS]");
    if (app->get_name() == "trace") usage.insert(usage.find_last_not_of('\n') + 1, kTraceUsage);
    return usage;
  }
};

// Registers --json on a command.
void AddJson(CLI::App& command, Options& options) {
  command.add_flag("--json", options.json, "Print JSON for scripts instead of text");
}

void AddChannel(CLI::App& command, Options& options) {
  command.add_option("CH", options.channel, "Channel number, 0 to 127")->required();
}

void DeclareScan(CLI::App& scan, Options& options) { AddJson(scan, options); }

void DeclareInfo(CLI::App& info, Options& options) {
  AddChannel(info, options);
  info.add_option("--input", options.input, "Show the gains of this input (name or index)");
  AddJson(info, options);
}

void DeclareSet(CLI::App& set, Options& options) {
  AddChannel(set, options);
  set.add_option("KEY=VALUE", options.settings, "The settings to change")->required();
  set.add_flag("--fresh", options.fresh, "Start from the defaults, not from the record last applied");
  AddJson(set, options);
  set.footer(std::string(kSetFooter) + kCommandFooter);
}

void DeclareProfile(CLI::App& profile, Options& options) {
  AddChannel(profile, options);
  profile.add_option("--out", options.out, "Write the profile to this file instead of standard output")
      ->type_name("FILE");
}

void DeclarePanel(CLI::App& panel, Options& options) {
  panel.add_option("PORT", options.panelPort, "Serial port, e.g. COM3 (default: the library's configured port)");
  panel.footer(std::string(kPanelFooter) + kCommandFooter);
}

// A command: its name and summary for --help, the arguments and checks it
// adds to the command line, and what runs it.
struct CommandSpec {
  const char* name;
  const char* summary;
  void (*declare)(CLI::App& command, Options& options);  // null: nothing beyond the global options
  CommandRunner run;
};

// The commands, in the order --help lists them.
const CommandSpec kCommands[] = {
    {"scan", "Find the channels on the line and summarise each", DeclareScan, RunScan},
    {"info", "Everything a channel reports about itself", DeclareInfo, RunInfo},
    {"set", "Change a channel's settings: vornctl set CH key=value ...", DeclareSet, RunSet},
    {"demo", "A guided run on the simulator: scan, info, and a few settings", nullptr, RunDemo},
    {"panel", "Windows: set the conditioners by hand in the library's control panel", DeclarePanel, RunPanel},
    {"profile", "A channel's capabilities as a vornsim profile (JSON)", DeclareProfile, RunProfile},
};

std::string CommandNames() {
  std::string names = "trace";
  for (const CommandSpec& command : kCommands) names += std::string(" ") + command.name;
  return names;
}

// The runner of the one command given, noting in the options whether
// "trace" came with it. Throws for none or several.
CommandRunner ChosenCommand(const CLI::App& app, Options& options) {
  std::vector<CommandRunner> chosen;
  for (const CLI::App* sub : app.get_subcommands()) {
    if (sub->get_name() == "trace") options.trace = true;
    for (const CommandSpec& command : kCommands) {
      if (sub->get_name() == command.name) chosen.push_back(command.run);
    }
  }
  if (chosen.empty()) throw CommandError(ExitCode::kUsage, "trace needs a command to watch, e.g. vornctl trace info 0");
  if (chosen.size() > 1) throw CommandError(ExitCode::kUsage, "give one command at a time");
  return chosen.front();
}

// The help asked for: of the command it follows ("trace set --help" is
// set's), else the global one.
void PrintHelp(const CLI::App& app) {
  const std::vector<CLI::App*> given = app.get_subcommands();
  const CLI::App* shown = given.empty() ? &app : given.back();
  std::cout << (shown == &app ? app.help() : shown->help(app.get_name()));
}

}  // namespace

std::optional<Options> ParseCommandLine(int argc, char** argv) {
  Options options;
  CLI::App app{"vornctl: find, inspect and set Vorn signal-conditioner channels through the CONDVorn library.",
               "vornctl"};
  app.formatter(std::make_shared<UsageFormatter>());
  app.fallthrough();
  app.require_subcommand(1, 2);  // a command, possibly after "trace"

  app.add_option("--port", options.port, "Serial port to use, e.g. " VORNCTL_EXAMPLE_PORT " (not with --sim)")
      ->type_name("NAME");
  std::vector<std::string> sim;
  CLI::Option* simOption =
      app.add_option("--sim", sim, "Use the built-in simulator (the default), optionally with one PROFILE")
          ->expected(0, 1)
          ->type_name("[PROFILE]");
  CLI::Option* first = app.add_option("--first", options.first, "First channel number to probe (default 0)")
      ->type_name("N")
      ->check(CLI::Range(0, 127));
  CLI::Option* last = app.add_option("--last", options.last, "Probe at least up to this channel number (default 0)")
      ->type_name("N")
      ->check(CLI::Range(0, 127));
  std::vector<std::string> log;
  CLI::Option* logOption =
      app.add_option("--log", log,
                     "Keep the library's diagnostic log of the initialisation in FILE (default: "
                     "ZELCOND.LOG in the state directory); vornctl says where")
          ->expected(0, 1)
          ->type_name("[FILE]");
  app.add_option("--adc-range", options.adcRange, "The host's ADC full scale in volts (default 5)")
      ->check(CLI::PositiveNumber);
  app.add_option("--scale", options.scale, "Host record: units per ADC code (default: volts at the ADC)");
  app.add_option("--zero", options.zero, "Host record: units at ADC code 0 (default 0)");
  app.add_option("--units", options.units, "Host record: name of the units, at most 7 characters (default Volt)")
      ->check([](const std::string& units) { return units.size() <= 7 ? std::string() : "at most 7 characters"; });

  app.add_subcommand("trace", "vornctl trace COMMAND ...: show every command and reply on the line")
      ->footer(std::string("\nCOMMAND is any other command with its arguments, e.g. vornctl trace info 0.\n") +
               kCommandFooter);
  for (const CommandSpec& command : kCommands) {
    CLI::App* sub = app.add_subcommand(command.name, command.summary);
    sub->footer(kCommandFooter);
    if (command.declare != nullptr) command.declare(*sub, options);
  }
  // After the commands, which would otherwise inherit it.
  app.footer(MainFooter());

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    PrintHelp(app);
    return std::nullopt;
  } catch (const CLI::ParseError& error) {
    // A word where the command belongs is left over as an extra.
    const std::vector<std::string> extras = app.remaining();
    if (app.get_subcommands().empty() && !extras.empty() && extras.front().front() != '-') {
      throw CommandError(ExitCode::kUsage, "unknown command \"" + extras.front() + "\"; commands: " + CommandNames() +
                                               " (see vornctl --help)");
    }
    throw CommandError(ExitCode::kUsage, std::string(error.what()) + " (see vornctl --help)");
  }

  options.run = ChosenCommand(app, options);
  if (simOption->count() > 0) {
    if (options.port) throw CommandError(ExitCode::kUsage, "give --port or --sim, not both");
    options.sim = sim.empty() ? "" : sim.front();
  }
  if (logOption->count() > 0) options.log = log.empty() ? "" : log.front();
  options.probeRangeGiven = first->count() > 0 || last->count() > 0;
  return options;
}

}  // namespace vornctl

#include "core/ui/command_line.h"

#include <string_view>

namespace kv {
namespace {

constexpr std::string_view kVirtualWiimote = "--virtual-wiimote";
constexpr std::string_view kVirtualWiimoteLog = "--virtual-wiimote-log";
constexpr std::string_view kInputBackend = "--input-backend";

// Takes the value of an option that needs one, either from "--name=value" or from the next
// argument. Returns false when the value is missing or empty.
bool TakeValue(const std::vector<std::string>& args, std::size_t& i, std::string_view name,
               std::string& value) {
  const std::string& arg = args[i];
  if (arg.size() > name.size() && arg[name.size()] == '=') {
    value = arg.substr(name.size() + 1);
  } else if (i + 1 < args.size()) {
    value = args[++i];
  } else {
    value.clear();
  }
  return !value.empty();
}

bool IsOption(const std::string& arg, std::string_view name) {
  return arg == name || (arg.size() > name.size() && arg.compare(0, name.size(), name) == 0 &&
                         arg[name.size()] == '=');
}

}  // namespace

CommandLineResult ParseCommandLine(const std::vector<std::string>& args,
                                   InputBackendOption inputBackend) {
  CommandLineResult result;
  CommandLineOptions& options = result.Options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      options.ShowHelp = true;
    } else if (arg == "--version") {
      options.ShowVersion = true;
    } else if (arg == "--demo") {
      options.Demo = true;
    } else if (IsOption(arg, kVirtualWiimoteLog)) {
      if (!TakeValue(args, i, kVirtualWiimoteLog, options.VirtualWiimoteLog)) {
        result.Error = "option --virtual-wiimote-log needs a file name";
        return result;
      }
    } else if (inputBackend == InputBackendOption::Offered && IsOption(arg, kInputBackend)) {
      std::string value;
      TakeValue(args, i, kInputBackend, value);
      if (value == "x11") {
        options.InputBackend = InputBackendChoice::X11;
      } else if (value == "uinput") {
        options.InputBackend = InputBackendChoice::Uinput;
      } else if (value == "auto") {
        options.InputBackend = InputBackendChoice::Automatic;
      } else {
        result.Error = "option --input-backend takes x11, uinput or auto";
        return result;
      }
    } else if (IsOption(arg, kVirtualWiimote)) {
      if (!TakeValue(args, i, kVirtualWiimote, options.VirtualWiimoteFile)) {
        result.Error = "option --virtual-wiimote needs a scenario file";
        return result;
      }
    } else {
      result.Error = "unknown argument '" + arg + "'";
      return result;
    }
  }
  if (options.Demo && !options.VirtualWiimoteFile.empty()) {
    result.Error = "--demo and --virtual-wiimote cannot be used together";
  } else if (!options.VirtualWiimoteLog.empty() && !options.UsesVirtualWiimote()) {
    result.Error = "--virtual-wiimote-log needs --virtual-wiimote or --demo";
  }
  return result;
}

std::string CommandLineHelp(const std::string& programName, InputBackendOption inputBackend) {
  std::string help = "Usage: " + programName + " [OPTION]...\n";
  help +=
      "Turns a Wii Remote into a mouse and keyboard.\n"
      "\n"
      "Without options the program uses the Wii Remote paired with this computer.\n"
      "\n"
      "  --virtual-wiimote FILE      use a virtual Wii Remote that replays the scenario FILE\n"
      "  --virtual-wiimote-log FILE  append every output report the virtual Wii Remote\n"
      "                              receives to FILE\n"
      "  --demo                      run the built-in demonstration on a virtual Wii Remote;\n"
      "                              it moves the real cursor, clicks, presses Down and Up\n"
      "                              and steps the volume, and leaves config.ini alone\n";
  if (inputBackend == InputBackendOption::Offered) {
    help +=
        "  --input-backend=x11|uinput|auto\n"
        "                              how the pointer is moved and keys are typed: x11\n"
        "                              through the X server (XTest), uinput through virtual\n"
        "                              input devices (/dev/uinput), which reach a Wayland\n"
        "                              desktop; auto (the default) takes uinput in a Wayland\n"
        "                              session and x11 otherwise\n";
  }
  help +=
      "  --help                      show this help and exit\n"
      "  --version                   show the version and exit\n";
  return help;
}

}  // namespace kv

#pragma once

#include <string>
#include <vector>

namespace kv {

// How the pointer is moved and keys are typed on Linux: picked from the session, or forced.
enum class InputBackendChoice { Automatic, X11, Uinput };

// What the program was asked to do on its command line.
struct CommandLineOptions {
  bool ShowHelp = false;
  bool ShowVersion = false;
  bool Demo = false;               // run the built-in scenario on the virtual Wii Remote
  std::string VirtualWiimoteFile;  // scenario file for the virtual Wii Remote; empty = none
  std::string VirtualWiimoteLog;   // where the virtual Wii Remote logs its output reports
  InputBackendChoice InputBackend = InputBackendChoice::Automatic;
  bool UsesVirtualWiimote() const { return Demo || !VirtualWiimoteFile.empty(); }
};

struct CommandLineResult {
  CommandLineOptions Options;
  std::string Error;  // empty when the arguments were understood
};

// Whether the program offers --input-backend: only where there are input backends to choose
// from (Linux). Where it is absent, the option is refused as unknown and not shown by --help.
enum class InputBackendOption { Offered, Absent };

// Parses the arguments after the program name. Options take their value as the next argument
// or after "=" ("--virtual-wiimote=FILE").
CommandLineResult ParseCommandLine(const std::vector<std::string>& arguments,
                                   InputBackendOption inputBackend = InputBackendOption::Offered);

// The text printed for --help.
std::string CommandLineHelp(const std::string& programName,
                            InputBackendOption inputBackend = InputBackendOption::Offered);

}  // namespace kv

#pragma once
// The port and file part of the configuration: section "KONFIG" of
// Setup720.INI (firmware file, binary files, type list, COM port, AutoCom), its
// repair when files or the data folder are missing, the list of usable COM
// ports with the USB cable marked, and the test and search for the
// instrument. No widgets here: the configuration window (konfig_window.h)
// shows what these return.
#include <cstdint>
#include <functional>

#include <QList>
#include <QString>

#include "util/text.h"

// ---- configuration file ----

// Reads the configuration keys; repairs them when the data folder or the
// firmware file name is missing.
void LoadConfiguration();
// Writes the configuration keys. False when the INI file could not be written
// (or is there but unreadable, so its other sections are not lost).
bool SaveConfiguration();
// Rebuilds the file settings from the data folder (useDataDir) or the program
// folder and writes them; the base becomes the data folder for the rest of
// the run. Returns as SaveConfiguration.
bool RepairConfiguration(bool useDataDir);
// Makes path the firmware file and derives the two binary file paths from it.
void ApplyHexFile(const QString& path);

// What the window's file name field EditHexFile shows. The configuration
// functions above set it; the window follows through the view hook.
QString ShownHexFile();
void ShowHexFile(const QString& path);
void SetHexFileView(std::function<void(const QString&)> view);

// ---- ports ----

inline constexpr const char* kUsbVendor = "10C4";
inline constexpr const char* kUsbProduct = "8075";
inline constexpr const char* kUsbSerial = "0001";

// The COM name of the USB cable ("COM7"), or empty. Over the POSIX backend the
// tty is looked up in sysfs by vendor, product, interface 0 and serial;
// other backends (the tests' in-process one) have no cable unless a lookup
// is installed.
Text FindUsbCablePort(const Text& vendor, const Text& product, const Text& serial);
using UsbCableLookup = std::function<Text(const Text& vendor, const Text& product, const Text& serial)>;
// Installs a lookup (empty: the built-in one) and returns the previous one.
UsbCableLookup SetUsbCableLookup(UsbCableLookup lookup);

struct PortList {
  QList<Text> entries;  // "COM3", "COM7 ORX720 USB"
  int32_t UsbPort = 0;  // the USB cable's COM number, 0 when none or outside 1..99
  bool UsbFound = false;
  Text label;           // the status text for Label2
};

// Lists the COM ports 1..99 that can be opened, marking the USB cable, and
// makes a ComPort of 0 the USB port or the lowest usable one. While another
// exchange holds the port (Busy) the port is left alone and nothing is listed.
PortList FillPortList();

// The COM number an entry names: up to two digits after "COM" (0 for none).
int32_t EntryPort(const Text& entry);

// Opens port at 9600 baud, wakes the instrument and asks for its identity;
// true when something other than an echo of "R001" answered (the answer is
// then Glb->LastAnswer). The port is closed afterwards. Needs BeginExchange.
bool ProbePort(int32_t port);

struct PortTestResult {
  bool refused = false;  // another exchange is running ("Schnittstelle belegt")
  bool found = false;
  Text message;          // the information text for the user
};
// The test of one port (the button "Verbindung Testen"); ComPort is not changed.
PortTestResult TestPort(int32_t port);

struct PortSearchResult {
  bool refused = false;  // another exchange is running ("Schnittstelle belegt")
  int32_t chosen = 0;    // the accepted port, 0 for none ("Kein Gerät gefunden !")
};
// Tries the entries in order. choose(index) is told which entry is being
// tried; accept(question) asks whether to take an instrument that answered.
// Stops at the first accepted one.
PortSearchResult SearchPorts(const QList<Text>& entries,
                             const std::function<void(int index)>& choose,
                             const std::function<bool(const Text& question)>& accept);

inline const char* const kPortBusyText = "Schnittstelle belegt";
inline const char* const kNoDeviceText = "Kein Ger\xE4t gefunden!";
inline const char* const kSearchNoDeviceText = "Kein Ger\xE4t gefunden !";

#!/bin/sh
# One instrument through a production-line station:
#   production-line.sh FIRMWARE.h20 TYPELIST TYPE PRINTER.txt REFERENCE.dat
# finds the instrument, uploads the firmware, applies device type TYPE of the
# type list, writes the printer texts and compares the parameter memory with
# the reference dump. The first step that fails ends the run with its exit
# code (1 instrument, 2 usage, 3 file); 0 when the instrument is done.
# SETUP720_CLI names the tool when it is not on the PATH.
cli=${SETUP720_CLI:-setup720-cli}

if [ "$#" -ne 5 ]; then
  echo "usage: $0 FIRMWARE.h20 TYPELIST TYPE PRINTER.txt REFERENCE.dat" >&2
  exit 2
fi
firmware=$1
typelist=$2
type=$3
printer=$4
reference=$5

# "COM3<TAB>ORX 720 V3.21": the port is the first word.
found=$("$cli" --quiet find) || exit $?
port=${found%%[[:space:]]*}
echo "instrument on $found" >&2

"$cli" --port "$port" --quiet upload --hex "$firmware" || exit $?
"$cli" --port "$port" --quiet --verify options write --type-list "$typelist" --type "$type" || exit $?
"$cli" --port "$port" --quiet --verify printer write "$printer" || exit $?
"$cli" --port "$port" --quiet eeprom compare "$reference" || exit $?
echo "done: $found" >&2

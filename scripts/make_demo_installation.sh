#!/bin/bash
# Creates a sample installation of the product for tovra_update:
#
#   <folder>/registry.reg          registry export naming the installation
#   <folder>/Ostrivane/Help/<13 languages>/
#   <folder>/Ostrivane/Device/
#
# usage: scripts/make_demo_installation.sh [folder]
# (default: build/demo in the source tree)
#
# Prints the TOVRA_REGISTRY setting to run the updater with, e.g.
#   TOVRA_REGISTRY=/path/build/demo/registry.reg ./build/tovra_update
set -euo pipefail

folder="${1:-$(dirname -- "$0")/../build/demo}"
mkdir -p -- "$folder"
# The registry must hold an absolute path with a trailing separator: the
# updater appends the folder names to it as they are.
folder="$(cd -- "$folder" && pwd -P)"
case "$folder" in
  */) install_path="$folder" ;;
  *) install_path="$folder/" ;;
esac

languages=(Japanese English Chinese_Simplified Chinese_Traditional French
  German Italian Korean Portuguese Spanish Russian Turkish Arabic)
for language in "${languages[@]}"; do
  mkdir -p -- "$folder/Ostrivane/Help/$language"
done
mkdir -p -- "$folder/Ostrivane/Device"

# Registry strings escape only backslash and double quote.
escape() {
  local text="${1//\\/\\\\}"
  printf '%s' "${text//\"/\\\"}"
}

registry="$folder/registry.reg"
printf '%s\r\n' \
  'Windows Registry Editor Version 5.00' \
  '' \
  '[HKEY_LOCAL_MACHINE\Software\Vintrell\Ostrivane\Installer]' \
  '"CompanyName"="Vintrell"' \
  "\"InstallPath\"=\"$(escape "$install_path")\"" \
  '"UserName"="demo"' \
  '' \
  '[HKEY_LOCAL_MACHINE\Software\Vintrell\Ostrivane\User]' \
  '"InkConfig"="CMYK"' \
  '"Language"="English"' \
  '"Model"="Demo Printer"' \
  >"$registry"

echo "TOVRA_REGISTRY=$registry"

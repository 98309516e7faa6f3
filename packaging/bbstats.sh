#!/bin/sh
# Starts the bbstats client in its working folder, where it keeps its files
# ("logo.bmp", "PROXY.DAT", "check.ver", "temp.gif") and where its file
# dialogs open: $BBSTATS_HOME, else $XDG_DATA_HOME/bbstats, else
# ~/.local/share/bbstats. The program itself (with its co-brand block) lies
# in ../libexec/bbstats beside this script, so the installed tree may move.
set -e
work="${BBSTATS_HOME:-${XDG_DATA_HOME:-$HOME/.local/share}/bbstats}"
mkdir -p "$work"
here=$(dirname "$(readlink -f "$0")")
cd "$work"
exec "$here/../@CMAKE_INSTALL_LIBEXECDIR@/bbstats/bbstats" "$@"

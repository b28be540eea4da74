#!/usr/bin/python3
"""A minimal screen reader for the benchmark: listens on the AT-SPI bus for focus and selection
events and, as a screen reader does, reads the focused cell's text and state and its table's
selected row count back from the program for each focus event.

usage: atspi-reader.py SUMMARY_FILE READ_LOG
Writes "listening" to SUMMARY_FILE once its listeners are registered, and a line to READ_LOG each
time it has read a focused row (the benchmark waits for that line); on SIGTERM it stops and writes
what it received and read to SUMMARY_FILE.
"""
import signal
import sys

import pyatspi
from gi.repository import GLib

counts = {"focus events": 0, "selection events": 0, "rows read": 0, "read errors": 0}
read_log = None


def on_focus(event):
    if event.detail1 != 1:
        return  # the cell that lost the focus
    counts["focus events"] += 1
    try:
        cell = event.source
        if cell.getRole() != pyatspi.ROLE_TABLE_CELL:
            return
        _ = cell.name
        _ = cell.getState().contains(pyatspi.STATE_SELECTED)
        # The cell's parent is its table (Qt 6.4 does not offer the TableCell interface).
        table = cell.parent
        _ = table.queryTable().nSelectedRows
        counts["rows read"] += 1
        read_log.write("read\n")
        read_log.flush()
    except Exception:  # the cell went away with the rows before it was read
        counts["read errors"] += 1


def on_selection(_event):
    counts["selection events"] += 1


def main(argv):
    global read_log
    if len(argv) != 3:
        print(__doc__)
        return 2
    summary = argv[1]
    read_log = open(argv[2], "a", encoding="utf-8")
    pyatspi.Registry.registerEventListener(on_focus, "object:state-changed:focused")
    pyatspi.Registry.registerEventListener(on_selection, "object:selection-changed")

    def stop():
        pyatspi.Registry.stop()
        return GLib.SOURCE_REMOVE

    def announce():
        with open(summary, "w", encoding="utf-8") as f:
            f.write("listening\n")
        return GLib.SOURCE_REMOVE

    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGTERM, stop)
    GLib.idle_add(announce)
    pyatspi.Registry.start()
    with open(summary, "w", encoding="utf-8") as f:
        f.write(", ".join("%s %d" % item for item in counts.items()) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

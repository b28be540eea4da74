#!/usr/bin/python3
"""Reads the task list of a running RUVelo2 through the AT-SPI bus, as a screen reader does, and
checks it against what the caller expects.

usage: atspi-read.py WHAT [ARG ...]
  table ROWS TITLE1|IMPORTANCE1|DETAILS1 ...   the table, its name, counts, headers and cells
  selection ROW ... FOCUSED                     the selected rows and the focused one
  rows N                                        the row count

Each check is retried for a few seconds, since the program takes the keys and answers the bus in
its own time. Exit status 0 when it holds, 1 otherwise (with what was read), 2 when the program
or its table cannot be found on the bus.
"""
import sys
import time

import pyatspi

TABLE_NAME = "タスク一覧"
HEADERS = ["タイトル", "重要", "詳細"]
PATIENCE = 15.0


def find_table():
    """The task list of the RUVelo2 application, or None. The walk stops at a table, whose cells
    it does not enumerate: there may be a million rows."""
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is None or app.name != "RUVelo2":
            continue
        stack = [app]
        while stack:
            node = stack.pop()
            try:
                if node.getRole() == pyatspi.ROLE_TABLE:
                    return node
                stack.extend(child for child in node if child is not None)
            except Exception:  # an object that went away while we walked
                continue
    return None


def cell_text(table, row, column):
    cell = table.queryTable().getAccessibleAt(row, column)
    return None if cell is None else cell.name


def read_table(table):
    t = table.queryTable()
    header_cells = [t.getColumnHeader(c) for c in range(t.nColumns)]
    return {
        "name": table.name,
        "rows": t.nRows,
        "columns": t.nColumns,
        "headers": [h.name if h is not None else None for h in header_cells],
        "cells": [[cell_text(table, r, c) for c in range(t.nColumns)] for r in range(min(t.nRows, 50))],
    }


def read_selection(table):
    t = table.queryTable()
    focused = [r for r in range(t.nRows)
               if t.getAccessibleAt(r, 0).getState().contains(pyatspi.STATE_FOCUSED)]
    return {"selected": sorted(t.getSelectedRows()), "focused": focused,
            "selected_count": t.nSelectedRows}


def check(read, expected):
    """Reads until the reading equals expected or the patience runs out."""
    deadline = time.monotonic() + PATIENCE
    last = None
    while True:
        table = None
        try:
            table = find_table()
            if table is not None:
                last = read(table)
                if last == expected:
                    print("ok:", last)
                    return 0
        except Exception as error:  # the bus may not answer while the program starts
            last = "error: %r" % (error,)
        if time.monotonic() >= deadline:
            if table is None and not isinstance(last, dict):
                print("the task list was not found on the accessibility bus (last: %s)" % (last,))
                return 2
            print("expected:", expected)
            print("read:    ", last)
            return 1
        time.sleep(0.2)


def main(argv):
    if len(argv) < 2:
        print(__doc__)
        return 2
    what, args = argv[1], argv[2:]
    if what == "table":
        rows = [r.split("|") for r in args]
        expected = {"name": TABLE_NAME, "rows": len(rows), "columns": 3, "headers": HEADERS,
                    "cells": rows}
        return check(read_table, expected)
    if what == "selection":
        selected = [int(a) for a in args[:-1]]
        expected = {"selected": selected, "focused": [int(args[-1])], "selected_count": len(selected)}
        return check(read_selection, expected)
    if what == "rows":
        return check(lambda table: table.queryTable().nRows, int(args[0]))
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))

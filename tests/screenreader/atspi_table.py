# SPDX-License-Identifier: GPL-3.0-or-later
"""Reads the detector table through AT-SPI as a screen reader does and checks what it finds:
the headers of each column and row, a cell's role, name, interfaces and states. Run inside an
orca-session (its DBUS_SESSION_BUS_ADDRESS and DISPLAY); exits 1 on the first difference."""
import sys

import pyatspi

COLUMNS = ["Nr.", "Adresse", "Letzte Rohdaten", "Letzte Meldezeit", None, "CV", "CV Rohdaten",
           "CV Meldezeit"]


def find_table():
    for app in pyatspi.Registry.getDesktop(0):
        if app and "talvor" in (app.name or ""):
            found = pyatspi.findDescendant(app, lambda o: o.getRole() == pyatspi.ROLE_TABLE)
            if found:
                return found
    sys.exit("no table found")


def expect(what, got, wanted):
    if got != wanted:
        sys.exit(f"{what}: {got!r}, expected {wanted!r}")


def main():
    table = find_table()
    grid = table.queryTable()
    expect("rows", grid.nRows, 24)
    expect("columns", grid.nColumns, 8)
    for column, name in enumerate(COLUMNS):
        header = grid.getColumnHeader(column)
        expect(f"header of column {column}", header.name if header else None, name)
    for row in range(24):
        header = grid.getRowHeader(row)
        expect(f"header of row {row}", header.name if header else None, f"Detektor {row + 1}")
    for (row, column), role in {(2, 1): pyatspi.ROLE_TABLE_CELL,
                                (4, 4): pyatspi.ROLE_TABLE_CELL}.items():
        cell = grid.getAccessibleAt(row, column)
        expect(f"role of cell {row},{column}", cell.getRole(), role)
        expect(f"focusable cell {row},{column}",
               cell.getState().contains(pyatspi.STATE_FOCUSABLE), True)
        index = cell.getIndexInParent()
        expect(f"row of cell {row},{column}", grid.getRowAtIndex(index), row)
        expect(f"column of cell {row},{column}", grid.getColumnAtIndex(index), column)
    request = grid.getAccessibleAt(4, 4)
    expect("request cell's name", request.name, "Anfordern Detektor 5")
    action = request.queryAction()
    expect("request cell's action", [action.getName(i) for i in range(action.nActions)][0], "Press")
    empty = grid.getAccessibleAt(23, 7)
    expect("an empty cell's name", empty.name, "leer")
    print("AT-SPI table: headers, cells, interfaces and states as expected")


main()

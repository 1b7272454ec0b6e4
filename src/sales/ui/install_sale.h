#pragma once
// Wires the sale panel into the main window: opened by a double click on a batch of the inventory
// grid, closed when a click moves to another batch, its customer number restored at each show.
class SalePanel;
class MainWindow;

// The sale panel of a main window (null when the window has none).
SalePanel* salePanelOf(const MainWindow& form);
void installSaleEntry(MainWindow& form);
// The sales details window's month view fills the sale panel's customer names; once both exist.
void linkSaleToSalesDetails(MainWindow& form);

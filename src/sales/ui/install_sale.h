#pragma once
// Wires the sale panel to what it sells from and what follows a sale: opened by a double click on
// a batch of the inventory grid, closed when a click moves to another batch, its customer number
// restored at each show, its customers handed to the sales details.
#include <functional>

class Inventory;
class QString;
class SalePanel;
class SalesDetailsWindow;

void connectSalePanel(SalePanel& panel, Inventory& inventory, std::function<void(const QString&)> successPrompt);
// The sales details window's month view fills the panel's customer names.
void connectSaleToRecords(SalePanel& panel, SalesDetailsWindow& sales);

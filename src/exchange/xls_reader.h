#pragma once
// Excel 97-2003 workbooks (.xls), read by FreeXL, with the formula results and error values it
// leaves out read by workbook_cells.
#include "exchange/workbook_sheet.h"

std::unique_ptr<WorkbookSheets> openXlsWorkbook(const QString& path);

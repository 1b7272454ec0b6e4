#pragma once
// Workbooks of the Office Open XML kind (.xlsx): the sheet mapping onto SheetRow. The ZIP container
// and the XML are read by zip_package.
#include "exchange/workbook_sheet.h"

class ZipPackage;

std::unique_ptr<WorkbookSheets> openXlsxWorkbook(std::unique_ptr<ZipPackage> package);

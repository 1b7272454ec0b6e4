#pragma once
// OpenDocument spreadsheets (.ods), as LibreOffice saves them: the sheet mapping onto SheetRow.
#include "exchange/workbook_sheet.h"

class ZipPackage;

// Whether the package is an OpenDocument spreadsheet (by its "mimetype" part).
bool isOdsPackage(const ZipPackage& package);
std::unique_ptr<WorkbookSheets> openOdsWorkbook(std::unique_ptr<ZipPackage> package);

#!/usr/bin/python3
# Writes the .xlsx and .ods workbooks of the import tests. Run it here; the files it writes are
# committed beside it, so the tests need neither LibreOffice nor this script:
#   ./make_workbooks.py          openpyxl's workbooks, LibreOffice's copies of them (soffice), the
#                                hand-made and the hostile ones
#   ./make_workbooks.py bomb FILE {honest|lying}
#                                a package whose sheet unpacks to 300 MB (the tests make it when they
#                                run: it is too big to keep); "lying" declares 1000 bytes for it
import datetime, os, shutil, subprocess, sys, tempfile, zipfile, zlib

HEADER = ["a", "b", "c", "d", "e", "f", "g", "a1", "a2", "a3", "a4", "a5", "a6", "a7", "a8", "z", "day1"]


def stock_xlsx(path):
    import openpyxl
    from openpyxl.styles import Font
    book = openpyxl.Workbook()
    other = book.active
    other.title = "Sheet1"
    other.append(["不是", "这一张"])
    sheet = book.create_sheet("LANBOR")
    sheet.sheet_state = "hidden"  # a hidden sheet is read like any other
    # Any order, any letter case, a column of its own.
    header = ["DAY1", "其他"] + [h.upper() if h in ("a", "z") else h for h in HEADER[:-1]]
    sheet.append(header)
    rows = [
        [datetime.date(2024, 3, 5), "忽略", "铅笔", "HB", "001", "文具", "QB", "HB", "供货商",
         1.5, 10, 15, 2, True, 0, 10, 15, "备注😀𠮷"],
        None,  # a row with formatting only
        [datetime.date(2024, 3, 6), None, "橡皮", "XP", 1001, "文具", "XP", "XP", "供货商",
         "1,234.5", "１２", 3, 2, False, 0, 12, 3, None],
        ["20240307", None, "尺子", "CZ", "003", "文具", "CZ", "CZ", "供货商",
         2.5, 4, 10, 3, 0, 0, 4, 10, ""],
        [20240308, None, "本子", "BZ", "004", "文具", "BZ", "BZ", "供货商",
         1, 1, 1, 1, 0, 0, 1, 1, None],
        ["２０２４年３月９日", None, "日历", "RL", "005", "文具", "RL", "RL", "供货商",
         1, 1, 1, 1, 0, 0, 1, 1, "2024年3月9日"],
    ]
    for r, row in enumerate(rows, start=2):
        if row is None:
            for c in range(1, 6):
                sheet.cell(row=r, column=c).font = Font(bold=True)
            continue
        for c, value in enumerate(row, start=1):
            if value is not None:
                sheet.cell(row=r, column=c, value=value)
    sheet["A2"].number_format = "yyyy-mm-dd"
    sheet["A4"].number_format = 'yyyy"年"m"月"d"日"'
    book.save(path)


def formulas_xlsx(path):
    # Formulas as openpyxl writes them: without a saved result.
    import openpyxl
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = "lanbor"
    sheet.append(HEADER)
    sheet.append(['="铅"&"笔"', "HB", "001", "文具", "QB", "HB", "供货商", 1.5, 10, "=H2*I2", 2,
                  "=I2>5", 0, "=I2-L2", "=N2*H2", "备注", "=DATE(2024,3,5)"])
    book.save(path)


def soffice_copies(source, kinds):
    soffice = shutil.which("soffice")
    if not soffice:
        sys.exit("soffice is needed for LibreOffice's copies")
    out = tempfile.mkdtemp()
    profile = tempfile.mkdtemp()
    base = os.path.splitext(os.path.basename(source))[0]
    for kind in kinds:
        subprocess.run([soffice, "-env:UserInstallation=file://" + profile, "--headless",
                        "--convert-to", kind, "--outdir", out, source], check=True, capture_output=True)
        shutil.copy(os.path.join(out, base + "." + kind), base + "-libreoffice." + kind)
    shutil.rmtree(out)
    shutil.rmtree(profile, ignore_errors=True)


def package(path, parts, lie=None):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in parts.items():
            z.writestr(name, data)


CONTENT_TYPES = ('<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
                 '<Default Extension="xml" ContentType="application/xml"/></Types>')
RELS = ('<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" '
        'Target="xl/workbook.xml"/></Relationships>')
WORKBOOK_RELS = ('<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
                 '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>'
                 '<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/>'
                 '<Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="/xl/styles.xml"/>'
                 '</Relationships>')
NS = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"'


def workbook_xml(date1904):
    pr = '<workbookPr date1904="1"/>' if date1904 else ''
    return f'<?xml version="1.0"?><workbook {NS}>{pr}<sheets><sheet name="lanbor" sheetId="1" r:id="rId1"/></sheets></workbook>'


def hand_made(path, rows, strings=(), date1904=False, prolog=""):
    """rows: the inner XML of <sheetData>."""
    sst = "".join(strings)
    styles = (f'<styleSheet {NS}><numFmts><numFmt numFmtId="170" formatCode="[$-804]yyyy&quot;年&quot;m&quot;月&quot;d&quot;日&quot;;@"/>'
              '<numFmt numFmtId="171" formatCode="[Red]0.00"/></numFmts>'
              '<cellXfs><xf numFmtId="0"/><xf numFmtId="14"/><xf numFmtId="170"/><xf numFmtId="171"/><xf numFmtId="22"/></cellXfs></styleSheet>')
    package(path, {
        "[Content_Types].xml": CONTENT_TYPES,
        "_rels/.rels": RELS,
        "xl/workbook.xml": workbook_xml(date1904),
        "xl/_rels/workbook.xml.rels": WORKBOOK_RELS,
        "xl/sharedStrings.xml": f'<?xml version="1.0"?><sst {NS}>{sst}</sst>',
        "xl/styles.xml": styles,
        "xl/worksheets/sheet1.xml": f'<?xml version="1.0"?>{prolog}<worksheet {NS}><sheetData>{rows}</sheetData></worksheet>',
    })


def inline(text):
    return f'<c t="inlineStr"><is><t>{text}</t></is></c>'


def header_row():
    return "<row>" + "".join(inline(h) for h in HEADER) + "</row>"


def hand_made_books():
    # What other programs write: shared strings with a phonetic guide and rich runs, cells without
    # their address, a formula's text result, an ISO date cell, built-in and custom date formats
    # counted from 1904, a number format that only looks like one with letters.
    strings = ['<si><t>铅笔</t><rPh sb="0" eb="2"><t>えんぴつ</t></rPh></si>',
               '<si><r><t>H</t></r><r><rPr><b/></rPr><t xml:space="preserve">B </t></r></si>',
               '<si><t>备注_x000D_行</t></si>']
    row2 = ('<row r="2"><c r="A2" t="s"><v>0</v></c><c t="s"><v>1</v></c><c t="str"><f>"00"&amp;"1"</f><v>001</v></c>'
            + inline("文具") + inline("QB") + inline("HB") + '<c t="inlineStr"><is><r><t>供</t></r><r><t>货商</t></r></is></c>'
            + '<c s="3"><v>1.5</v></c><c><v>10</v></c><c><f>H2*I2</f><v>15</v></c><c><v>2</v></c><c t="b"><v>1</v></c>'
            + '<c><v>0</v></c><c><v>10</v></c><c><v>15</v></c><c t="s"><v>2</v></c><c s="1"><v>43894</v></c></row>')
    row3 = ('<row r="3"><c r="A3" s="1"/><c r="B3" s="3"/></row>'
            '<row r="5"><c r="A5" t="inlineStr"><is><t>尺子</t></is></c><c r="Q5" t="d"><v>2024-03-07T00:00:00</v></c></row>'
            '<row r="6"><c r="A6" t="inlineStr"><is><t>本子</t></is></c><c r="Q6" s="2"><v>43896</v></c></row>'
            '<row r="7"><c r="A7" t="inlineStr"><is><t>日历</t></is></c><c r="Q7" s="4"><v>43897.5</v></c></row>')
    hand_made("hand-made.xlsx", header_row() + row2 + row3, strings, date1904=True)

    # Refused: a formula without a saved result; an error value.
    hand_made("error-value.xlsx", header_row() + '<row r="2">' + inline("甲") + '<c r="J2" t="e"><f>H2/0</f><v>#DIV/0!</v></c></row>')
    # Hostile: entities that expand to gigabytes; a cell a million columns to the right of a sheet
    # that claims a million columns.
    lol = ('<!DOCTYPE worksheet [<!ENTITY a "aaaaaaaaaa">' +
           "".join(f'<!ENTITY {chr(98 + i)} "{("&" + chr(97 + i) + ";") * 10}">' for i in range(9)) + ']>')
    hand_made("entity-expansion.xlsx", header_row() + '<row r="2"><c r="A2" t="inlineStr"><is><t>&j;</t></is></c></row>',
              prolog=lol)
    with zipfile.ZipFile("entity-expansion.xlsx") as z:
        assert b"<!DOCTYPE" in z.read("xl/worksheets/sheet1.xml")
    hand_made("million-columns.xlsx",
              header_row().replace("<row>", '<row spans="1:1000000">') +
              '<row r="2"><c r="BDWGN2"><v>1</v></c></row>')
    # An .ods whose row holds one value repeated across a million columns.
    content = ('<?xml version="1.0"?><office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
               'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0">'
               '<office:body><office:spreadsheet><table:table table:name="lanbor"><table:table-row>' +
               "".join(f'<table:table-cell office:value-type="string"><text:p>{h}</text:p></table:table-cell>' for h in HEADER) +
               '</table:table-row><table:table-row><table:table-cell table:number-columns-repeated="16384"/>'
               '<table:table-cell table:number-columns-repeated="1000000" office:value-type="float" office:value="1"/>'
               '</table:table-row></table:table></office:spreadsheet></office:body></office:document-content>')
    ods("million-columns.ods", content)
    million_rows_ods()


def ods(path, content):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr(zipfile.ZipInfo("mimetype"), "application/vnd.oasis.opendocument.spreadsheet")
        z.writestr("content.xml", content)


def million_rows_ods():
    # One stock row saved once for a million equal rows below the header.
    cells = "".join(f'<table:table-cell office:value-type="float" office:value="{i}"/>' for i in range(len(HEADER)))
    content = ('<?xml version="1.0"?><office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
               'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0">'
               '<office:body><office:spreadsheet><table:table table:name="lanbor"><table:table-row>' +
               "".join(f'<table:table-cell office:value-type="string"><text:p>{h}</text:p></table:table-cell>' for h in HEADER) +
               f'</table:table-row><table:table-row table:number-rows-repeated="1000000">{cells}</table:table-row>'
               '</table:table></office:spreadsheet></office:body></office:document-content>')
    ods("million-rows.ods", content)


def bomb(path, how):
    # 300 MB of one comment inside the sheet: valid XML to the last byte, so only the cap stops it.
    head = f'<?xml version="1.0"?><worksheet {NS}><!--'.encode()
    tail = b'--><sheetData/></worksheet>'
    size = 300 * 1024 * 1024
    packer = zlib.compressobj(9, zlib.DEFLATED, -15)
    chunk = b" " * (1024 * 1024)
    data = [packer.compress(head)] + [packer.compress(chunk) for _ in range(size // len(chunk))]
    data += [packer.compress(tail), packer.flush()]
    deflated = b"".join(data)
    crc = zlib.crc32(head)
    for _ in range(size // len(chunk)):
        crc = zlib.crc32(chunk, crc)
    crc = zlib.crc32(tail, crc)
    full = len(head) + size + len(tail)
    hand_made(path, header_row())
    with zipfile.ZipFile(path) as z:
        parts = {i.filename: z.read(i.filename) for i in z.infolist()}
    declared = 1000 if how == "lying" else full
    # Written by hand: zipfile would deflate the 300 MB itself.
    import struct
    out = open(path, "wb")
    central = b""
    for name, body in parts.items():
        if name == "xl/worksheets/sheet1.xml":
            body_crc, packed, real = crc, deflated, declared
        else:
            body_crc, packed, real = zlib.crc32(body), zlib.compress(body)[2:-4], len(body)
        offset = out.tell()
        encoded = name.encode()
        out.write(struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, 0, 8, 0, 0, body_crc, len(packed), real, len(encoded), 0))
        out.write(encoded)
        out.write(packed)
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 20, 0, 8, 0, 0, body_crc, len(packed), real,
                               len(encoded), 0, 0, 0, 0, 0, offset) + encoded
    start = out.tell()
    out.write(central)
    out.write(struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(parts), len(parts), len(central), start, 0))
    out.close()


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "bomb":
        bomb(sys.argv[2], sys.argv[3])
        sys.exit(0)
    os.chdir(os.path.dirname(os.path.abspath(__file__)))
    stock_xlsx("stock.xlsx")
    formulas_xlsx("formulas.xlsx")
    soffice_copies("stock.xlsx", ["xlsx", "ods"])
    soffice_copies("formulas.xlsx", ["xlsx", "ods"])
    hand_made_books()

# Makes longformula.xlsx, which LibreOffice turns into longformula.xls (run
# by hand): formula text results longer than one record holds, so that the
# result goes on in CONTINUE records, once in 8-bit and once in 16-bit
# characters.
import sys
from openpyxl import Workbook

wb = Workbook()
ws = wb.active
ws.title = "Formulas"
ws.append(["=REPT(\"ab\",6000)&\"!\"", 1])
ws.append(["=REPT(\"\u2713x\",5000)", 2])
wb.save(sys.argv[1])

# Makes long.xlsx, which LibreOffice turns into long.xls (run by hand):
# enough distinct texts for the shared strings to span several records,
# adjacent small numbers, and formulas with text and boolean results.
import sys
from openpyxl import Workbook

wb = Workbook()
ws = wb.active
ws.title = "Long"
for i in range(1, 1201):
    ws.append(["Row %d \u00fcn\u00efcode \u2713 %s" % (i, "x" * (i % 7)), i, i / 100,
               '=A%d&"!"' % i, "=B%d>5" % i])
wb.save(sys.argv[1])

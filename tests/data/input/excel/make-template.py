# Makes template.xlsx, a style template (run by hand): a bold, filled header
# row, a first data row with number formats, an italic font and a border,
# and column widths; a second sheet without styling.
import sys
from openpyxl import Workbook
from openpyxl.styles import Border, Font, PatternFill, Side, Alignment

wb = Workbook()
ws = wb.active
ws.title = "Look"
ws.append(["Name", "Code", "Amount"])
ws.append(["x", "y", 1.5])
for cell in ws[1]:
    cell.font = Font(name="Arial", size=14, bold=True, color="FF0000FF")
    cell.fill = PatternFill("solid", fgColor="FFFFFF00")
    cell.alignment = Alignment(horizontal="center")
ws["A2"].font = Font(italic=True)
ws["A2"].border = Border(bottom=Side(style="thin", color="FFFF0000"))
ws["C2"].number_format = "0.000"
ws.column_dimensions["A"].width = 30
ws.column_dimensions["C"].width = 12
wb.create_sheet("Plain").append(["a"])
wb.save(sys.argv[1])

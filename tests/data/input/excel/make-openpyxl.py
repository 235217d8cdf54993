# Makes the openpyxl test workbook (kept with the test data; run by hand).
import datetime, sys
from openpyxl import Workbook
from openpyxl.chart import BarChart, Reference

wb = Workbook()
ws = wb.active
ws.title = "Sales"
ws.append(["Name", "When", "Flag", "Amount", "Time"])
ws.append(["Ann", datetime.datetime(2026, 12, 4, 13, 5, 7, 250000), True, 1234.5, datetime.time(13, 5)])
ws.append(["Bob", datetime.datetime(1900, 1, 1), False, -0.125, datetime.time(0, 0, 30)])
ws.append(["Hidden", None, None, 3, None])
ws.append(["Tab\tx", None, None, 1e20, None])
ws.append(["Link", None, None, 7, None])
ws["A2"].number_format = "yyyy-mm-dd"
ws["B2"].number_format = "yyyy-mm-dd hh:mm:ss.000"
ws["B3"].number_format = "yyyy-mm-dd hh:mm:ss.000"
ws["E2"].number_format = "hh:mm"
ws["E3"].number_format = "hh:mm"
ws.row_dimensions[4].hidden = True
ws.column_dimensions["C"].hidden = True
ws["A6"].hyperlink = "https://example.com/a"
ws.cell(row=2, column=1).value = "Ann"
other = wb.create_sheet("2")
other.append(["x"])
third = wb.create_sheet("Third")
third.append(["c1"])
chart = wb.create_chartsheet("Chart1")
bar = BarChart()
bar.add_data(Reference(ws, min_col=4, min_row=1, max_row=3))
chart.add_chart(bar)
wb.save(sys.argv[1])

only = Workbook()
cs = only.create_chartsheet("OnlyChart")
only.remove(only.active)
data = only.create_sheet("Data")
data.sheet_state = "hidden"
cs.add_chart(BarChart())
only.save(sys.argv[2])

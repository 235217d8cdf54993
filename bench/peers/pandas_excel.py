# Workbooks through pandas and openpyxl.
# usage: pandas_excel.py write IN.csv OUT.xlsx | read IN.xlsx|IN.xls
# .xls is read through xlrd when it is installed (pandas itself wants a newer
# xlrd than Debian's, so the sheet is taken straight from xlrd, as pandas
# would); pandas writes no .xls without xlwt.
import sys
import pandas as pd

if sys.argv[1] == "write":
    pd.read_csv(sys.argv[2]).to_excel(sys.argv[3], index=False, engine="openpyxl")
elif sys.argv[2].endswith(".xls"):
    import xlrd
    sheet = xlrd.open_workbook(sys.argv[2]).sheet_by_index(0)
    rows = [sheet.row_values(r) for r in range(sheet.nrows)]
    print(len(pd.DataFrame(rows[1:], columns=rows[0])))
else:
    print(len(pd.read_excel(sys.argv[2], engine="openpyxl")))

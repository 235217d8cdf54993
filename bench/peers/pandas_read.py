# Read only: the CSV into a DataFrame.  usage: pandas_read.py PEOPLE
import sys
import pandas as pd
df = pd.read_csv(sys.argv[1])
print(len(df))

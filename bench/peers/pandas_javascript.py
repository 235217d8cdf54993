# J8 per-row function: amount * 2 + quantity as a new column, computed row by
# row in Python (the way a user's own function is applied), then written.
# usage: pandas_javascript.py PEOPLE OUTDIR
import sys
import pandas as pd


def f(amount, quantity):
    return amount * 2 + quantity


df = pd.read_csv(sys.argv[1])
df["result"] = [f(a, q) for a, q in zip(df["amount"], df["quantity"])]
df.to_csv(sys.argv[2] + "/j8_javascript.csv", index=False)

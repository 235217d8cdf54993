# Writes input.csv and the expected pivot and group results, figured by
# pandas. Run by hand when the input changes; the tests only read the files.
import math
import random

import pandas as pd

random.seed(7)
regions = ["North", "South", "East", "West"]
quarters = ["Q1", "Q2", "Q3", "Q4"]
rows = []
for i in range(60):
    region = random.choice(regions)
    quarter = random.choice(quarters)
    if region == "West" and quarter == "Q4":
        quarter = "Q3"  # leaves one cell with nothing to summarise
    amount = f"{random.uniform(-50, 950):.2f}"
    if i % 7 == 3:
        amount = random.choice(["10", "20"])  # ties for Mode
    rows.append([region, quarter, amount])
rows[5][2] = ""
rows[11][2] = "n/a"
rows[17][2] = "x"
rows[23][2] = "-"
rows[29][2] = "?"
rows[31][2] = "unknown"
with open("input.csv", "w") as f:
    f.write("region,quarter,amount\n")
    for r in rows:
        f.write(",".join(r) + "\n")

df = pd.read_csv("input.csv", dtype=str, keep_default_na=False)
df["raw"] = df["amount"].replace("", None)
df["number"] = pd.to_numeric(df["amount"], errors="coerce")


def fmt(v):
    if isinstance(v, float) and math.isnan(v):
        return ""
    v = float(v)
    digits = math.ceil(math.log10(abs(v))) if v != 0 else 0
    decimals = max(0, 15 - max(digits, 0))
    text = f"{v:.{decimals}f}"
    if "." in text:
        text = text.rstrip("0").rstrip(".")
    return "0" if text == "-0" else text


def mode(s):
    m = s.dropna().mode()
    return m.iloc[0] if len(m) else float("nan")


functions = {
    "Sum": ("number", "sum"),
    "Minimum": ("number", "min"),
    "Maximum": ("number", "max"),
    "Average": ("number", "mean"),
    "Median": ("number", "median"),
    "Mode": ("number", mode),
    "Standard deviation": ("number", "std"),
    "Count": ("raw", "count"),
    "Count distinct": ("raw", "nunique"),
}
for name, (column, func) in functions.items():
    grand = "Grand " + name
    table = pd.pivot_table(df, index="region", columns="quarter", values=column,
                           aggfunc=func, margins=True, margins_name=grand, dropna=False)
    present = pd.pivot_table(df, index="region", columns="quarter", values=column,
                             aggfunc="count", margins=True, margins_name=grand, dropna=False)
    with open("expected_" + name.replace(" ", "_").lower() + ".csv", "w") as f:
        f.write(",".join(["region"] + list(table.columns)) + "\n")
        for index, row in table.iterrows():
            cells = []
            for c in table.columns:
                n = present.loc[index, c]
                cells.append("0" if (pd.isna(n) or n == 0) else fmt(row[c]))
            f.write(",".join([index] + cells) + "\n")

# Group and aggregate by region, in order of first appearance.
g = df.groupby("region", sort=False)
out = pd.DataFrame({
    "sum": g["number"].sum(), "mean": g["number"].mean(), "nunique": g["raw"].nunique(),
    "count": g.size()})
with open("expected_unique.csv", "w") as f:
    f.write("region,sum,mean,nunique,count\n")
    for index, row in out.iterrows():
        f.write(",".join([index, fmt(row["sum"]), fmt(row["mean"]), str(int(row["nunique"])),
                          str(int(row["count"]))]) + "\n")

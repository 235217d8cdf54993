# Read only: JSON lines (or a JSON array of records, flattened) into a
# DataFrame.  usage: pandas_read_json.py FILE
import json
import sys

import pandas as pd

path = sys.argv[1]
if path.endswith(".jsonl"):
    df = pd.read_json(path, lines=True)
else:
    with open(path, encoding="utf-8") as f:
        df = pd.json_normalize(json.load(f))
print(len(df))

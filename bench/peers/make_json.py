# The JSON data of the read benchmark, made from the people CSV:
# people_1m.jsonl (one object per row, numbers as numbers) and
# nested_100k.json (100,000 records with a nested object and an array).
# usage: make_json.py DATA_DIR
import csv
import json
import os
import sys

data = sys.argv[1]
people = os.path.join(data, "people_1m.csv")


def typed(row):
    out = {}
    for k, v in row.items():
        if k in ("id", "quantity") and v:
            out[k] = int(v)
        elif k == "amount" and v:
            out[k] = float(v)
        else:
            out[k] = v
    return out


with open(people, newline="", encoding="utf-8") as f, open(
    os.path.join(data, "people_1m.jsonl"), "w", encoding="utf-8"
) as jl:
    for row in csv.DictReader(f):
        jl.write(json.dumps(typed(row), ensure_ascii=False) + "\n")

with open(people, newline="", encoding="utf-8") as f, open(
    os.path.join(data, "nested_100k.json"), "w", encoding="utf-8"
) as nested:
    records = []
    for i, row in enumerate(csv.DictReader(f)):
        if i == 100000:
            break
        r = typed(row)
        records.append({
            "id": r["id"],
            "name": {"first": r["first_name"], "last": r["last_name"]},
            "contact": {"email": r["email"], "address": {"city": r["city"], "country": r["country"]}},
            "orders": [{"amount": r["amount"], "quantity": r["quantity"]}, {"date": r["signup_date"]}],
        })
    json.dump(records, nested, ensure_ascii=False)

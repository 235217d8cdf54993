-- Read only: JSON lines or a JSON array of records into an in-memory table.
CREATE TABLE people AS SELECT * FROM read_json_auto('{people}');

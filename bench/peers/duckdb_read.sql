-- Read only: the CSV into an in-memory table.
CREATE TABLE people AS SELECT * FROM read_csv('{people}', header = true);

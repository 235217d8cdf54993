-- XML write: the CSV (every column as text) written as the same XML the
-- program writes: one <record> per row, an element per non-empty cell, the
-- five XML specials and carriage returns escaped.
-- DuckDB writes no newline after the last row when a suffix follows.
CREATE MACRO esc(s) AS replace(replace(replace(replace(replace(replace(s, '&', '&amp;'), '"', '&quot;'),
  '''', '&apos;'), '<', '&lt;'), '>', '&gt;'), chr(13), '&#13;');
CREATE MACRO elem(name, v) AS CASE WHEN v IS NULL OR v = '' THEN NULL
  ELSE '    <' || name || '>' || esc(v) || '</' || name || '>' END;
COPY (
  SELECT '  <record>' || chr(10) || concat_ws(chr(10),
      elem('id', id), elem('first_name', first_name), elem('last_name', last_name),
      elem('email', email), elem('city', city), elem('country', country),
      elem('signup_date', signup_date), elem('amount', amount), elem('quantity', quantity),
      elem('notes', notes)) || chr(10) || '  </record>'
  FROM read_csv('{people}', all_varchar = true)
) TO '{out}/xml_write.xml' (FORMAT csv, HEADER false, QUOTE '', ESCAPE '',
  PREFIX '<?xml version="1.0" encoding="UTF-8"?>' || chr(10) || '<root>' || chr(10),
  SUFFIX chr(10) || '</root>' || chr(10));

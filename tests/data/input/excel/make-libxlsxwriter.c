/* Makes libxlsxwriter.xlsx, the same workbook as make-openpyxl.py writes
 * (run by hand): cc make-libxlsxwriter.c -lxlsxwriter && ./a.out OUT.xlsx */
#include <xlsxwriter.h>

int main(int argc, char** argv)
{
    lxw_workbook* wb = workbook_new(argc > 1 ? argv[1] : "libxlsxwriter.xlsx");
    lxw_worksheet* ws = workbook_add_worksheet(wb, "Sales");
    lxw_format* millis = workbook_add_format(wb);
    format_set_num_format(millis, "yyyy-mm-dd hh:mm:ss.000");
    lxw_format* minutes = workbook_add_format(wb);
    format_set_num_format(minutes, "hh:mm");
    const char* header[] = { "Name", "When", "Flag", "Amount", "Time" };
    for (int c = 0; c < 5; ++c)
        worksheet_write_string(ws, 0, c, header[c], NULL);
    lxw_datetime ann = { 2026, 12, 4, 13, 5, 7.25 };
    lxw_datetime bob = { 1900, 1, 1, 0, 0, 0 };
    lxw_datetime one = { 0, 0, 0, 13, 5, 0 };
    lxw_datetime half = { 0, 0, 0, 0, 0, 30 };
    worksheet_write_string(ws, 1, 0, "Ann", NULL);
    worksheet_write_datetime(ws, 1, 1, &ann, millis);
    worksheet_write_boolean(ws, 1, 2, 1, NULL);
    worksheet_write_number(ws, 1, 3, 1234.5, NULL);
    worksheet_write_datetime(ws, 1, 4, &one, minutes);
    worksheet_write_string(ws, 2, 0, "Bob", NULL);
    worksheet_write_datetime(ws, 2, 1, &bob, millis);
    worksheet_write_boolean(ws, 2, 2, 0, NULL);
    worksheet_write_number(ws, 2, 3, -0.125, NULL);
    worksheet_write_datetime(ws, 2, 4, &half, minutes);
    worksheet_write_string(ws, 3, 0, "Hidden", NULL);
    worksheet_write_number(ws, 3, 3, 3, NULL);
    worksheet_write_string(ws, 4, 0, "Tab\tx", NULL);
    worksheet_write_number(ws, 4, 3, 1e20, NULL);
    worksheet_write_url_opt(ws, 5, 0, "https://example.com/a", NULL, "Link", NULL);
    worksheet_write_number(ws, 5, 3, 7, NULL);
    lxw_row_col_options hidden = { .hidden = 1 };
    worksheet_set_row_opt(ws, 3, LXW_DEF_ROW_HEIGHT, NULL, &hidden);
    worksheet_set_column_opt(ws, 2, 2, LXW_DEF_COL_WIDTH, NULL, &hidden);
    worksheet_write_string(workbook_add_worksheet(wb, "2"), 0, 0, "x", NULL);
    worksheet_write_string(workbook_add_worksheet(wb, "Third"), 0, 0, "c1", NULL);
    lxw_chartsheet* sheet = workbook_add_chartsheet(wb, "Chart1");
    lxw_chart* chart = workbook_add_chart(wb, LXW_CHART_BAR);
    chart_add_series(chart, NULL, "=Sales!$D$2:$D$3");
    chartsheet_set_chart(sheet, chart);
    return workbook_close(wb);
}

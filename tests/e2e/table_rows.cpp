// Prints the rows of a table file, one line each, fields "name=value" joined by tabs, dates as
// year-month-day: what the end-to-end suite reads back of what the program saved.
#include "engine/VolgaTbl.h"
#include "platform/rtl/DateTime.h"

#include <cstdio>
#include <exception>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: table_rows FILE FIELD...\n";
        return 2;
    }
    try {
        kvz::TVolgaTable table;
        table.SetTableName(argv[1]);
        table.Open();
        for (table.First(); !table.Eof(); table.Next()) {
            for (int i = 2; i < argc; ++i) {
                const kvz::TField& field = table.FieldByName(argv[i]);
                std::string value = field.AsString();
                if ((field.DataType() == kvz::ftDate || field.DataType() == kvz::ftDateTime) && !field.IsNull()) {
                    int year = 0, month = 0, day = 0;
                    kvz::DecodeDate(field.AsDateTime(), year, month, day);
                    char text[16];
                    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
                    value = text;
                }
                std::cout << (i > 2 ? "\t" : "") << argv[i] << "=" << value;
            }
            std::cout << "\n";
        }
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
    return 0;
}

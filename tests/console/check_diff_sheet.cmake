# check, diff and the sheet format, on files the module itself writes (made by
# made_by_module.tessel before the cases that read them) and on spreadsheet files.
set(case_dir ${CMAKE_CURRENT_SOURCE_DIR}/console/cases)
set(data_dir ${CMAKE_CURRENT_SOURCE_DIR}/console/data)
set(made_dir ${CMAKE_CURRENT_BINARY_DIR}/runs/made_by_module)
file(MAKE_DIRECTORY ${made_dir})
configure_file(${case_dir}/made_by_module.tessel ${made_dir}/made_by_module.tessel COPYONLY)
add_test(NAME console.made_by_module COMMAND tessel_console run made_by_module.tessel WORKING_DIRECTORY ${made_dir})
set_tests_properties(console.made_by_module PROPERTIES FIXTURES_SETUP module_files ENVIRONMENT LC_ALL=C)
set(made ${made_dir}/items.arr ${made_dir}/items.hga ${made_dir}/items.csv ${made_dir}/items.ini)

# Each format loads sound; a cut native file is damaged (1); a missing file cannot be read (2).
tessel_console_test(NAME console.check_files ARGS check items.arr items.hga items.csv items.ini cut.arr missing.arr
  FILES ${made} ${data_dir}/cut.arr EXPECTED ${case_dir}/check_files.expected)
tessel_console_test(NAME console.check_json ARGS --json check items.arr cut.arr FILES ${made} ${data_dir}/cut.arr
  EXPECTED ${case_dir}/check_json.expected)
tessel_console_test(NAME console.check_sound ARGS check items.arr items.ini FILES ${made}
  EXPECTED ${case_dir}/check_sound.expected)
# A spreadsheet's file: a game reads its byte order mark and its quotes as text; as a sheet it ends in an open quote.
tessel_console_test(NAME console.check_spreadsheet_csv ARGS check party.csv FILES ${data_dir}/party.csv
  EXPECTED ${case_dir}/check_spreadsheet_csv.expected)
tessel_console_test(NAME console.check_open_quote ARGS --from sheet check open_quote.csv FILES ${data_dir}/open_quote.csv
  EXPECTED ${case_dir}/check_open_quote.expected)
tessel_console_test(NAME console.check_usage ARGS check EXPECTED ${case_dir}/check_usage.expected)

# Arrays compared across formats, cell by cell; the same array; trouble.
tessel_console_test(NAME console.diff_formats ARGS diff items.arr items.csv FILES ${made}
  EXPECTED ${case_dir}/diff_formats.expected)
tessel_console_test(NAME console.diff_list ARGS diff items.ini items.hga FILES ${made}
  EXPECTED ${case_dir}/diff_list.expected)
tessel_console_test(NAME console.diff_json ARGS --json diff items.arr items.hga FILES ${made}
  EXPECTED ${case_dir}/diff_json.expected)
tessel_console_test(NAME console.diff_same ARGS diff items.arr ./items.arr FILES ${made}
  EXPECTED ${case_dir}/diff_same.expected)
tessel_console_test(NAME console.diff_damaged ARGS diff items.arr cut.arr FILES ${made} ${data_dir}/cut.arr
  EXPECTED ${case_dir}/diff_damaged.expected)
tessel_console_test(NAME console.diff_usage ARGS diff items.arr EXPECTED ${case_dir}/diff_usage.expected)
set_tests_properties(console.check_files console.check_json console.check_sound console.diff_formats console.diff_list
  console.diff_json console.diff_same console.diff_damaged PROPERTIES FIXTURES_REQUIRED module_files)

# Spreadsheet CSV: read with its header as labels, written back from a native
# file byte for byte as it was; the module's CSV reader points to it.
tessel_console_test(NAME console.show_sheet ARGS --header --from sheet show party.csv FILES ${data_dir}/party.csv
  EXPECTED ${case_dir}/show_sheet.expected)
tessel_console_test(NAME console.show_spreadsheet_csv ARGS show party.csv FILES ${data_dir}/party.csv
  EXPECTED ${case_dir}/show_spreadsheet_csv.expected)
tessel_console_test(NAME console.convert_spreadsheet_csv ARGS convert party.csv party.ini FILES ${data_dir}/party.csv
  EXPECTED ${case_dir}/convert_spreadsheet_csv.expected)
tessel_console_test(NAME console.sheet_import ARGS --header --from sheet --to native convert party.csv party.arr
  FILES ${data_dir}/party.csv EXPECTED ${case_dir}/sheet_import.expected)
tessel_console_test(NAME console.sheet_export ARGS --header --separator semicolon --bom --to sheet convert party.arr back.csv
  FILES ${CMAKE_CURRENT_BINARY_DIR}/runs/console.sheet_import/party.arr WRITTEN back.csv
  EXPECTED ${case_dir}/sheet_export.expected)
add_test(NAME console.sheet_round_trip
  COMMAND ${CMAKE_COMMAND} -E compare_files ${data_dir}/party.csv ${CMAKE_CURRENT_BINARY_DIR}/runs/console.sheet_export/back.csv)
set_tests_properties(console.sheet_import PROPERTIES FIXTURES_SETUP sheet_native)
set_tests_properties(console.sheet_export PROPERTIES FIXTURES_REQUIRED sheet_native FIXTURES_SETUP sheet_back)
set_tests_properties(console.sheet_round_trip PROPERTIES FIXTURES_REQUIRED sheet_back)
# What a sheet cannot keep of the module's files, a tab between fields, and the quoting a spreadsheet reads.
tessel_console_test(NAME console.sheet_from_native ARGS --to sheet convert items.arr items.txt FILES ${made}
  WRITTEN items.txt EXPECTED ${case_dir}/sheet_from_native.expected)
tessel_console_test(NAME console.sheet_tabs ARGS --separator tab --header --to sheet convert items.arr items.tsv
  FILES ${made} WRITTEN items.tsv EXPECTED ${case_dir}/sheet_tabs.expected)
set_tests_properties(console.sheet_from_native console.sheet_tabs PROPERTIES FIXTURES_REQUIRED module_files)
tessel_console_test(NAME console.sheet_bad_separator ARGS --separator x show party.csv
  EXPECTED ${case_dir}/sheet_bad_separator.expected)
# The usage text, from the table of options.
tessel_console_test(NAME console.usage ARGS --help EXPECTED ${case_dir}/usage.expected)
# A host array file whose declared grid the module refuses.
tessel_console_test(NAME console.check_refused ARGS check huge.hga FILES ${data_dir}/huge.hga
  EXPECTED ${case_dir}/check_refused.expected)
# help names the command line's commands and the sheet format too.
tessel_console_test(NAME console.help_check ARGS help check EXPECTED ${case_dir}/help_check.expected)
tessel_console_test(NAME console.help_sheet ARGS help sheet EXPECTED ${case_dir}/help_sheet.expected)
# A damaged sheet is what a damaged file of the module's formats is: show warns
# and exits 1, convert writes nothing.
tessel_console_test(NAME console.show_damaged_sheet ARGS --from sheet show open_quote.csv
  FILES ${data_dir}/open_quote.csv EXPECTED ${case_dir}/show_damaged_sheet.expected)
tessel_console_test(NAME console.convert_damaged_sheet ARGS --from sheet convert open_quote.csv out.arr
  FILES ${data_dir}/open_quote.csv WRITTEN out.arr EXPECTED ${case_dir}/convert_damaged_sheet.expected)

# Files as the module's readers take them: an INI file may open with a comment;
# one whose section line starts with a byte order mark has no section the INI
# reader finds, so it shows no format; a number after a zero byte is never read.
tessel_console_test(NAME console.check_as_readers_tell ARGS check commented_section bom_section
  FILES ${data_dir}/commented_section ${data_dir}/bom_section EXPECTED ${case_dir}/check_as_readers_tell.expected)
tessel_console_test(NAME console.show_zero_byte_csv ARGS show zero_then_number.csv FILES ${data_dir}/zero_then_number.csv
  EXPECTED ${case_dir}/show_zero_byte_csv.expected)

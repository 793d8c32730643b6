# The console host's commands on files and scripts, and its messages for bad input.
set(case_dir ${CMAKE_CURRENT_SOURCE_DIR}/console/cases)
set(data ${CMAKE_CURRENT_SOURCE_DIR}/console/data)

# console_case(NAME ...): tessel_console_test console.NAME, expecting cases/NAME.expected unless
# EXPECTED says; bare FILES are in data/, a bare SCRIPT or INPUT in cases/, and an argument
# that names a file in data/ or examples/ is copied in too.
function(console_case name)
  cmake_parse_arguments(C "" "EXPECTED;SCRIPT;INPUT" "ARGS;FILES;WRITTEN;READONLY;ENV;LIMITS" ${ARGN})
  if(NOT C_EXPECTED)
    set(C_EXPECTED ${case_dir}/${name}.expected)
  endif()
  list(TRANSFORM C_FILES PREPEND ${data}/ REGEX "^[^/$]")
  list(TRANSFORM C_ARGS PREPEND ${data}/ OUTPUT_VARIABLE in_data)
  list(TRANSFORM C_ARGS PREPEND ${PROJECT_SOURCE_DIR}/examples/ OUTPUT_VARIABLE in_examples)
  file(GLOB named LIST_DIRECTORIES false ${in_data} ${in_examples})
  list(APPEND C_FILES ${named})
  list(TRANSFORM C_SCRIPT PREPEND ${case_dir}/ REGEX "^[^/]")
  list(TRANSFORM C_INPUT PREPEND ${case_dir}/ REGEX "^[^/]")
  tessel_console_test(NAME console.${name} EXPECTED ${C_EXPECTED} SCRIPT "${C_SCRIPT}" INPUT "${C_INPUT}"
    ARGS ${C_ARGS} FILES ${C_FILES} WRITTEN ${C_WRITTEN} READONLY ${C_READONLY} ENV ${C_ENV}
    LIMITS ${C_LIMITS})
endfunction()

# Help: an entry, a part of the menus, the formats' table, wrapped prose and its format lists keep their layout.
console_case(help_number ARGS help 65)
console_case(help_topic ARGS help keys)
console_case(help_formats ARGS help formats)
console_case(help_check ARGS help check)
console_case(help_convert ARGS help convert)
console_case(help_unknown ARGS help frobnicate)
console_case(usage ARGS --help)
# The version as the project states it.
configure_file(${case_dir}/version.expected.in ${CMAKE_CURRENT_BINARY_DIR}/version.expected @ONLY)
console_case(version ARGS --version EXPECTED ${CMAKE_CURRENT_BINARY_DIR}/version.expected)

# Bad command lines and files that are not there.
console_case(show_directory ARGS show .)
console_case(convert_unknown_target ARGS convert scores.csv scores.out)
console_case(missing_script ARGS run nowhere.tessel)
console_case(bad_module ARGS --module ./nothing.so run x.tessel)
console_case(bad_option ARGS --dims)
console_case(unknown_command ARGS frobnicate)
console_case(check_usage ARGS check)
console_case(diff_usage ARGS diff items.arr)
console_case(sheet_bad_separator ARGS --separator x show party.csv)

# Files through the module's own load and save actions.
console_case(show_csv_selected ARGS show --selected scores.csv)
console_case(convert_csv_to_ini ARGS convert scores.csv scores.ini WRITTEN scores.ini)
console_case(convert_unwritable ARGS convert scores.csv nowhere/scores.ini)
console_case(convert_by_extension ARGS convert scores.csv scores.arr)
# Texts beyond ASCII in a UTF-8 locale, escaped in C; a script with a byte order mark, and on input with CR LF.
console_case(utf8_text SCRIPT utf8.tessel ENV LC_ALL=C.UTF-8)
console_case(utf8_escaped SCRIPT utf8.tessel)
console_case(script_on_input INPUT ${CMAKE_CURRENT_SOURCE_DIR}/console/crlf_lines.tessel
  EXPECTED ${CMAKE_CURRENT_SOURCE_DIR}/console/crlf_lines.expected)
# CSV from elsewhere: a byte order mark, CR LF line ends, a header row of labels, a number too big.
console_case(show_csv_header ARGS --header show bom_header.csv)
console_case(convert_csv_header ARGS --header --force convert bom_header.csv out.csv WRITTEN out.csv)
console_case(show_json ARGS show --json --head 1 bom_header.csv)
# convert checks its input and never writes over a file unasked.
console_case(convert_wrong_from ARGS convert --from native scores.csv out.ini)
console_case(convert_over_input ARGS convert --to csv --force scores.csv ./scores.csv)
console_case(convert_existing_output ARGS convert bom_header.csv scores.csv WRITTEN scores.csv)
console_case(convert_missing_input ARGS convert missing.csv out.ini WRITTEN out.ini)
# Windows paths with a drive letter and backslashes (Wine shows the Unix root as Z:).
if(WIN32)
  string(REPLACE "/" "\\" module_path "Z:${CMAKE_BINARY_DIR}/tessel.dll")
  console_case(windows_command_line_paths ARGS --module ${module_path} show .\\scores.csv FILES scores.csv)
  console_case(windows_script_paths SCRIPT windows_script_paths.tessel WRITTEN copy.csv)
endif()
# A failed load stops a script, or with --keep-going lets it write no file after it; convert writes nothing.
console_case(failed_load_stops SCRIPT failed_load_stops.tessel)
console_case(failed_load_keep_going SCRIPT failed_load_keep_going.tessel WRITTEN copy.csv element.bin)
console_case(convert_refused_input ARGS convert --from native newer.arr out.csv WRITTEN out.csv)
# A damaged file: show warns and exits 1, convert writes nothing, a script stops.
console_case(show_damaged ARGS show cut_list.arr)
console_case(convert_damaged ARGS convert cut_list.arr out.csv WRITTEN out.csv)
console_case(damaged_in_script SCRIPT damaged.tessel FILES cut_list.arr)
# Read-only files are left as they are, and a save that cannot write says why.
console_case(read_only_save SCRIPT read_only.tessel FILES scores.csv READONLY scores.csv WRITTEN scores.csv)
console_case(convert_read_only ARGS convert --force bom_header.csv scores.csv READONLY scores.csv WRITTEN scores.csv)
console_case(convert_read_only_sheet ARGS convert --force --to sheet bom_header.csv scores.csv READONLY scores.csv
  WRITTEN scores.csv EXPECTED ${case_dir}/convert_read_only.expected)
if(NOT WIN32)
  console_case(save_in_proc SCRIPT proc_version.tessel)
endif()
# A JSON array written again: texts not UTF-8, zero bytes, keys, labels and a mixed selection.
console_case(json_round_trip ARGS convert mixed.json again.json WRITTEN again.json)
# An index that would grow the array by more than --max-cells cells (ten million unless told) is refused.
console_case(max_cells SCRIPT max_cells.tessel)
console_case(max_cells_default INPUT huge_index.tessel)
# A few dozen bytes may declare 2^31 - 1 columns or 65536 x 65536 pages: each tool's memory follows what is held.
set(small_run)
if(NOT WIN32 AND NOT CMAKE_CXX_FLAGS MATCHES "sanitize")  # a sanitizer reserves terabytes of addresses
  set(small_run LIMITS 65536 20)
endif()
console_case(huge_show ARGS show wide.arr ${small_run})
console_case(huge_show_json ARGS show --json wide.arr ${small_run})
console_case(huge_check ARGS check wide.arr tall_pages.arr party.csv ${small_run})
console_case(huge_diff ARGS diff wide.arr wide.arr ${small_run})
console_case(huge_diff_pages ARGS diff tall_pages.arr tall_pages_b.arr ${small_run})
console_case(huge_convert_sheet ARGS convert --to sheet --header wide.arr out.csv WRITTEN out.csv ${small_run})
console_case(huge_convert_csv ARGS convert --header wide.arr out.csv WRITTEN out.csv ${small_run})
# A spreadsheet's short rows filled up to the widest may not outgrow the file (8 KB, 8 million cells).
console_case(sheet_too_large ARGS show --from sheet commas.csv ${small_run})
# Data cells of one length are compared by their bytes.
console_case(diff_data_bytes ARGS diff data_a.arr data_b.arr)
# diff --json gives texts, keys and labels in the encoding it names (bytes every converter defines).
console_case(diff_json_encoding ARGS --encoding windows-1252 --json diff texts_a.arr texts_b.arr)
# Texts in the encoding --encoding names, the same output everywhere (a UTF-8 locale, for Wine's command line).
foreach(e auto utf-8 windows-1252 windows-1251)
  console_case(encoding_${e} ARGS --keep-going --encoding ${e} SCRIPT encoding.tessel ENV LC_ALL=C.UTF-8)
endforeach()
console_case(delimiter_argument ARGS --encoding windows-1253 --delimiter Ω SCRIPT delimiter_argument.tessel
  ENV LC_ALL=C.UTF-8)
console_case(delimiter_argument_unheld ARGS --encoding windows-1252 --delimiter Ω show x.arr ENV LC_ALL=C.UTF-8)
console_case(encoding_unheld SCRIPT encoding_unheld.tessel ENV LC_ALL=C.UTF-8)
console_case(encoding_bad_name ARGS --encoding latin-1 show x.arr)
# A spreadsheet's UTF-8 into the code page and back, and what neither side holds.
console_case(sheet_encoding_in ARGS --encoding windows-1252 --header --from sheet --to csv convert utf8_items.csv out.csv
  WRITTEN out.csv)
console_case(sheet_encoding_out ARGS --encoding windows-1252 --header --from csv --to sheet convert cp1252_items.csv
  out.csv WRITTEN out.csv)
console_case(sheet_encoding_unheld ARGS --encoding windows-1252 --from sheet --to native convert greek_items.csv
  out.arr WRITTEN out.arr)
console_case(sheet_encoding_warns ARGS --from sheet --to csv convert utf8_items.csv out.csv WRITTEN out.csv)
if(NOT WIN32)  # which bytes a code page leaves undefined is the system converter's word
  console_case(sheet_encoding_no_char ARGS --encoding windows-1253 --from csv --to sheet convert no_char_in_1253.csv
    out.csv WRITTEN out.csv)
endif()
# Tile maps: a script's load, a bad map's faults (and check_as_readers_tell), and a save that cannot fill the map writes nothing.
set(dungeon ${PROJECT_SOURCE_DIR}/examples/dungeon.tmj)
console_case(tilemap_load SCRIPT tilemap_load.tessel FILES ${dungeon})
console_case(tilemap_short_layer ARGS show short_layer.tmj)
console_case(tilemap_not_3d ARGS convert --template dungeon.tmj mixed.json out.tmj FILES ${dungeon} WRITTEN out.tmj)

# check, diff and the sheet format on files the module writes (made_by_module.tessel, first).
console_case(made_by_module SCRIPT made_by_module.tessel)
set_tests_properties(console.made_by_module PROPERTIES FIXTURES_SETUP module_files)
set(made items.arr items.hga items.csv items.ini)
list(TRANSFORM made PREPEND ${CMAKE_CURRENT_BINARY_DIR}/runs/console.made_by_module/)
# Each format loads sound; a cut native file is damaged (1); a missing file cannot be read (2).
console_case(check_files ARGS check items.arr items.hga items.csv items.ini cut.arr missing.arr FILES ${made})
console_case(check_json ARGS --json check items.arr cut.arr FILES ${made})
# Arrays compared across formats, cell by cell; the same array; trouble.
console_case(diff_formats ARGS diff items.arr items.csv FILES ${made})
console_case(diff_list ARGS diff items.ini items.hga FILES ${made})
console_case(diff_json ARGS --json diff items.arr items.hga FILES ${made})
console_case(diff_same ARGS diff items.arr ./items.arr FILES ${made})
console_case(diff_damaged ARGS diff items.arr cut.arr FILES ${made})
# What a sheet cannot keep of the module's files, a tab between fields, and the quoting a spreadsheet reads.
console_case(sheet_from_native ARGS --to sheet convert items.arr items.txt FILES ${made} WRITTEN items.txt)
console_case(sheet_tabs ARGS --separator tab --header --to sheet convert items.arr items.tsv FILES ${made}
  WRITTEN items.tsv)
set_tests_properties(console.check_files console.check_json console.diff_formats console.diff_list
  console.diff_json console.diff_same console.diff_damaged console.sheet_from_native console.sheet_tabs
  PROPERTIES FIXTURES_REQUIRED module_files)
# A spreadsheet's file as a game reads it (checked in huge_check); as a sheet, with labels and back byte for byte
# (sheet_export's back.csv is data/party.csv); with an open quote.
console_case(show_spreadsheet_csv ARGS show party.csv)
console_case(convert_spreadsheet_csv ARGS convert party.csv party.ini)
console_case(show_sheet ARGS --header --from sheet show party.csv)
console_case(sheet_import ARGS --header --from sheet --to native convert party.csv party.arr)
console_case(sheet_export ARGS --header --separator semicolon --bom --to sheet convert party.arr back.csv
  FILES ${CMAKE_CURRENT_BINARY_DIR}/runs/console.sheet_import/party.arr WRITTEN back.csv)
set_tests_properties(console.sheet_import PROPERTIES FIXTURES_SETUP sheet_native)
set_tests_properties(console.sheet_export PROPERTIES FIXTURES_REQUIRED sheet_native)
console_case(check_open_quote ARGS --from sheet check open_quote.csv)
console_case(show_damaged_sheet ARGS --from sheet show open_quote.csv)
console_case(convert_damaged_sheet ARGS --from sheet convert open_quote.csv out.arr WRITTEN out.arr)
# An INI file opening with a comment, one with a byte order mark, a host file whose declared grid the module
# refuses, tile maps compressed in a way not read or past the memory rule; a number after a zero byte.
console_case(check_as_readers_tell ARGS check commented_section bom_section huge.hga zstd_layer.tmj huge_layer.tmj)
console_case(show_zero_byte_csv ARGS show zero_then_number.csv)
# JSON arrays: a script's native load reads them, an append keeps the rows there; each mistake the reader
# tells; declared sizes and labels by column cost no memory, what they would need is refused.
console_case(json_in_script SCRIPT json_in_script.tessel FILES two.json)
file(GLOB json_mistakes RELATIVE ${data} ${data}/mistake_*.json)
console_case(json_mistakes ARGS check ${json_mistakes} wide.json long.json far_label.json texts.json ${small_run})
console_case(json_syntax ARGS convert --from json mistake_syntax.json out.arr WRITTEN out.arr)
# Tile maps: shapes that differ, a template past the memory rule (told before its tiles are inflated).
console_case(tilemap_sizes_differ ARGS convert --template wider.tmj two_tiles.tmj out.tmj WRITTEN out.tmj)
console_case(tilemap_needs_template ARGS convert --to tilemap two_tiles.tmj out.tmj WRITTEN out.tmj)
console_case(tilemap_huge_template ARGS convert --template huge_layer.tmj two_tiles.tmj out.tmj WRITTEN out.tmj)

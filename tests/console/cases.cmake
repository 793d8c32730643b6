# The console host's commands besides `run`, and its messages for bad input.
set(case_dir ${CMAKE_CURRENT_SOURCE_DIR}/console/cases)
tessel_console_test(NAME console.help_number ARGS help 65 EXPECTED ${case_dir}/help_number.expected)
tessel_console_test(NAME console.help_unknown ARGS help frobnicate EXPECTED ${case_dir}/help_unknown.expected)
tessel_console_test(NAME console.show_missing_file ARGS show missing.csv EXPECTED ${case_dir}/show_missing_file.expected)
tessel_console_test(NAME console.show_directory ARGS show . EXPECTED ${case_dir}/show_directory.expected)
tessel_console_test(NAME console.show_unknown_format ARGS show notes.txt FILES ${CMAKE_CURRENT_SOURCE_DIR}/console/data/notes.txt
  EXPECTED ${case_dir}/show_unknown_format.expected)
tessel_console_test(NAME console.convert_unknown_target ARGS convert scores.csv scores.out
  FILES ${CMAKE_CURRENT_SOURCE_DIR}/console/data/scores.csv EXPECTED ${case_dir}/convert_unknown_target.expected)
tessel_console_test(NAME console.missing_script ARGS run nowhere.tessel EXPECTED ${case_dir}/missing_script.expected)
tessel_console_test(NAME console.bad_module ARGS --module ./nothing.so run x.tessel EXPECTED ${case_dir}/bad_module.expected)
tessel_console_test(NAME console.bad_option ARGS --dims EXPECTED ${case_dir}/bad_option.expected)
tessel_console_test(NAME console.unknown_command ARGS frobnicate EXPECTED ${case_dir}/unknown_command.expected)
# Files through the module's own load and save actions.
tessel_console_test(NAME console.show_csv ARGS show scores.csv FILES ${CMAKE_CURRENT_SOURCE_DIR}/console/data/scores.csv
  EXPECTED ${case_dir}/show_csv.expected)
tessel_console_test(NAME console.convert_csv_to_ini ARGS convert scores.csv scores.ini
  FILES ${CMAKE_CURRENT_SOURCE_DIR}/console/data/scores.csv WRITTEN scores.ini
  EXPECTED ${case_dir}/convert_csv_to_ini.expected)
tessel_console_test(NAME console.convert_unwritable ARGS convert scores.csv nowhere/scores.ini
  FILES ${CMAKE_CURRENT_SOURCE_DIR}/console/data/scores.csv EXPECTED ${case_dir}/convert_unwritable.expected)
# Help by topic of the menus and on the file formats, whose layouts are tables.
tessel_console_test(NAME console.help_topic ARGS help keys EXPECTED ${case_dir}/help_topic.expected)
tessel_console_test(NAME console.help_formats ARGS help formats EXPECTED ${case_dir}/help_formats.expected)
# Texts beyond ASCII are shown as they are where the locale takes UTF-8; a
# script may start with a byte order mark.
# On Windows the output is UTF-8 whatever the locale (.windows.expected).
tessel_console_test(NAME console.utf8_text SCRIPT ${case_dir}/utf8.tessel ENV LC_ALL=C.UTF-8
  EXPECTED ${case_dir}/utf8_text.expected)
tessel_console_test(NAME console.utf8_escaped SCRIPT ${case_dir}/utf8.tessel EXPECTED ${case_dir}/utf8_escaped.expected)
# CSV from elsewhere: a byte order mark, CR LF line ends, a header row of labels, a number too big.
set(bom_csv ${CMAKE_CURRENT_SOURCE_DIR}/console/data/bom_header.csv)
tessel_console_test(NAME console.show_csv_header ARGS --header show bom_header.csv FILES ${bom_csv}
  EXPECTED ${case_dir}/show_csv_header.expected)
tessel_console_test(NAME console.convert_csv_header ARGS --header --force convert bom_header.csv out.csv FILES ${bom_csv}
  WRITTEN out.csv EXPECTED ${case_dir}/convert_csv_header.expected)
# A save through a link writes the file it leads to, and the link stays.
tessel_console_test(NAME console.convert_through_link ARGS --header --force convert bom_header.csv link.csv
  FILES ${bom_csv} ${CMAKE_CURRENT_SOURCE_DIR}/console/data/scores.csv LINKS link.csv>scores.csv WRITTEN scores.csv
  EXPECTED ${case_dir}/convert_through_link.expected)
tessel_console_test(NAME console.show_json ARGS show --json --head 1 bom_header.csv FILES ${bom_csv}
  EXPECTED ${case_dir}/show_json.expected)
# convert checks its input and never writes over a file unasked.
tessel_console_test(NAME console.convert_wrong_from ARGS convert --from native scores.csv out.ini
  FILES ${CMAKE_CURRENT_SOURCE_DIR}/console/data/scores.csv EXPECTED ${case_dir}/convert_wrong_from.expected)
tessel_console_test(NAME console.convert_over_input ARGS convert --to csv --force scores.csv ./scores.csv
  FILES ${CMAKE_CURRENT_SOURCE_DIR}/console/data/scores.csv EXPECTED ${case_dir}/convert_over_input.expected)
tessel_console_test(NAME console.convert_existing_output ARGS convert bom_header.csv scores.csv
  FILES ${CMAKE_CURRENT_SOURCE_DIR}/console/data/scores.csv ${bom_csv} WRITTEN scores.csv
  EXPECTED ${case_dir}/convert_existing_output.expected)
tessel_console_test(NAME console.convert_missing_input ARGS convert missing.csv out.ini
  WRITTEN out.ini EXPECTED ${case_dir}/convert_missing_input.expected)
# The version as the project states it, so that a new version needs no edit here.
configure_file(${case_dir}/version.expected.in ${CMAKE_CURRENT_BINARY_DIR}/version.expected @ONLY)
tessel_console_test(NAME console.version ARGS --version EXPECTED ${CMAKE_CURRENT_BINARY_DIR}/version.expected)
# A script on standard input, with the line ends a Windows editor writes.
tessel_console_test(NAME console.script_on_input INPUT ${CMAKE_CURRENT_SOURCE_DIR}/console/crlf_lines.tessel
  EXPECTED ${CMAKE_CURRENT_SOURCE_DIR}/console/crlf_lines.expected)
# Windows paths: a drive letter and backslashes on the command line, and in
# scripts (written once or twice). Wine shows
# the Unix root as drive Z:.
if(WIN32)
  string(REPLACE "/" "\\" module_path "Z:${CMAKE_BINARY_DIR}/tessel.dll")
  tessel_console_test(NAME console.windows_command_line_paths ARGS --module ${module_path} show .\\scores.csv
    FILES ${CMAKE_CURRENT_SOURCE_DIR}/console/data/scores.csv EXPECTED ${case_dir}/windows_command_line_paths.expected)
  tessel_console_test(NAME console.windows_script_paths SCRIPT ${case_dir}/windows_script_paths.tessel
    WRITTEN copy.csv EXPECTED ${case_dir}/windows_script_paths.expected)
endif()
# A load that fails is a mistake: a script stops there, or with --keep-going
# writes no file after it; convert writes nothing.
tessel_console_test(NAME console.failed_load_stops SCRIPT ${case_dir}/failed_load_stops.tessel
  EXPECTED ${case_dir}/failed_load_stops.expected)
tessel_console_test(NAME console.failed_load_keep_going SCRIPT ${case_dir}/failed_load_keep_going.tessel
  WRITTEN copy.csv element.bin EXPECTED ${case_dir}/failed_load_keep_going.expected)
tessel_console_test(NAME console.convert_refused_input ARGS convert --from native newer.arr out.csv
  FILES ${CMAKE_CURRENT_SOURCE_DIR}/console/data/newer.arr WRITTEN out.csv
  EXPECTED ${case_dir}/convert_refused_input.expected)
# A damaged file: show warns and exits 1, convert writes nothing, a script stops.
set(cut_list ${CMAKE_CURRENT_SOURCE_DIR}/console/data/cut_list.arr)
tessel_console_test(NAME console.show_damaged ARGS show cut_list.arr FILES ${cut_list} EXPECTED ${case_dir}/show_damaged.expected)
tessel_console_test(NAME console.convert_damaged ARGS convert cut_list.arr out.csv FILES ${cut_list} WRITTEN out.csv
  EXPECTED ${case_dir}/convert_damaged.expected)
tessel_console_test(NAME console.damaged_in_script SCRIPT ${case_dir}/damaged.tessel FILES ${cut_list}
  EXPECTED ${case_dir}/damaged_in_script.expected)
# Read-only files are left as they are, and a save that cannot write says why.
tessel_console_test(NAME console.read_only_save SCRIPT ${case_dir}/read_only.tessel
  FILES ${CMAKE_CURRENT_SOURCE_DIR}/console/data/scores.csv READONLY scores.csv WRITTEN scores.csv
  EXPECTED ${case_dir}/read_only_save.expected)
tessel_console_test(NAME console.convert_read_only ARGS convert --force bom_header.csv scores.csv
  FILES ${CMAKE_CURRENT_SOURCE_DIR}/console/data/scores.csv ${bom_csv} READONLY scores.csv WRITTEN scores.csv
  EXPECTED ${case_dir}/convert_read_only.expected)
tessel_console_test(NAME console.convert_read_only_sheet ARGS convert --force --to sheet bom_header.csv scores.csv
  FILES ${CMAKE_CURRENT_SOURCE_DIR}/console/data/scores.csv ${bom_csv} READONLY scores.csv WRITTEN scores.csv
  EXPECTED ${case_dir}/convert_read_only.expected)
if(NOT WIN32)
  tessel_console_test(NAME console.save_in_proc SCRIPT ${case_dir}/proc_version.tessel
    EXPECTED ${case_dir}/save_in_proc.expected)
endif()
# convert knows files by the extensions the help texts use: .arr, .array, .csv, .ini.
tessel_console_test(NAME console.convert_by_extension ARGS convert scores.csv scores.arr
  FILES ${CMAKE_CURRENT_SOURCE_DIR}/console/data/scores.csv EXPECTED ${case_dir}/convert_by_extension.expected)
# A JSON array read and written again (tessel.exe too): texts that are not
# UTF-8, data with zero bytes, keys, labels and a mixed selection come back.
tessel_console_test(NAME console.json_round_trip ARGS convert mixed.json again.json
  FILES ${CMAKE_CURRENT_SOURCE_DIR}/console/data/mixed.json WRITTEN again.json
  EXPECTED ${case_dir}/json_round_trip.expected)
# An index that would grow the array by more than --max-cells cells (ten
# million unless told) is refused.
tessel_console_test(NAME console.max_cells SCRIPT ${case_dir}/max_cells.tessel EXPECTED ${case_dir}/max_cells.expected)
tessel_console_test(NAME console.max_cells_default INPUT ${case_dir}/huge_index.tessel
  EXPECTED ${case_dir}/max_cells_default.expected)
# A file's rows are not selected; that is said only where it matters: --selected.
tessel_console_test(NAME console.show_csv_selected ARGS show --selected scores.csv
  FILES ${CMAKE_CURRENT_SOURCE_DIR}/console/data/scores.csv EXPECTED ${case_dir}/show_csv_selected.expected)
# A file of a few dozen bytes may declare 2^31 - 1 columns, or pages of
# 65536 x 65536 cells: every tool's work and memory follow what it holds.
set(data ${CMAKE_CURRENT_SOURCE_DIR}/console/data)
set(small_run)
if(NOT WIN32 AND NOT CMAKE_CXX_FLAGS MATCHES "sanitize")  # a sanitizer reserves terabytes of addresses
  set(small_run LIMITS 65536 20)
endif()
tessel_console_test(NAME console.huge_show ARGS show wide.arr FILES ${data}/wide.arr ${small_run}
  EXPECTED ${case_dir}/huge_show.expected)
tessel_console_test(NAME console.huge_show_json ARGS show --json wide.arr FILES ${data}/wide.arr ${small_run}
  EXPECTED ${case_dir}/huge_show_json.expected)
tessel_console_test(NAME console.huge_check ARGS check wide.arr tall_pages.arr FILES ${data}/wide.arr
  ${data}/tall_pages.arr ${small_run} EXPECTED ${case_dir}/huge_check.expected)
tessel_console_test(NAME console.huge_diff ARGS diff wide.arr wide.arr FILES ${data}/wide.arr ${small_run}
  EXPECTED ${case_dir}/huge_diff.expected)
tessel_console_test(NAME console.huge_diff_pages ARGS diff tall_pages.arr tall_pages_b.arr
  FILES ${data}/tall_pages.arr ${data}/tall_pages_b.arr ${small_run} EXPECTED ${case_dir}/huge_diff_pages.expected)
tessel_console_test(NAME console.huge_convert_sheet ARGS convert --to sheet --header wide.arr out.csv
  FILES ${data}/wide.arr WRITTEN out.csv ${small_run} EXPECTED ${case_dir}/huge_convert_sheet.expected)
tessel_console_test(NAME console.huge_convert_csv ARGS convert --header wide.arr out.csv
  FILES ${data}/wide.arr WRITTEN out.csv ${small_run} EXPECTED ${case_dir}/huge_convert_csv.expected)
# A spreadsheet's short rows filled up to the widest may not outgrow the file (8 KB, 8 million cells).
tessel_console_test(NAME console.sheet_too_large ARGS show --from sheet commas.csv FILES ${data}/commas.csv
  ${small_run} EXPECTED ${case_dir}/sheet_too_large.expected)
# Data cells of one length are compared by their bytes.
tessel_console_test(NAME console.diff_data_bytes ARGS diff data_a.arr data_b.arr FILES ${data}/data_a.arr
  ${data}/data_b.arr EXPECTED ${case_dir}/diff_data_bytes.expected)
# Texts in the encoding --encoding names (the same output on every system: on
# Windows the output is UTF-8 whatever the console's code page).
foreach(e auto utf-8 windows-1252 windows-1251)
  tessel_console_test(NAME console.encoding_${e} ARGS --keep-going --encoding ${e} SCRIPT ${case_dir}/encoding.tessel
    ENV LC_ALL=C.UTF-8 EXPECTED ${case_dir}/encoding_${e}.expected)
endforeach()
tessel_console_test(NAME console.delimiter_argument ARGS --encoding windows-1253 --delimiter Ω
  SCRIPT ${case_dir}/delimiter_argument.tessel ENV LC_ALL=C.UTF-8 EXPECTED ${case_dir}/delimiter_argument.expected)
# A UTF-8 locale, so that Wine reads the command line's UTF-8 as such.
tessel_console_test(NAME console.delimiter_argument_unheld ARGS --encoding windows-1252 --delimiter Ω show x.arr
  ENV LC_ALL=C.UTF-8 EXPECTED ${case_dir}/delimiter_argument_unheld.expected)
tessel_console_test(NAME console.encoding_unheld SCRIPT ${case_dir}/encoding_unheld.tessel ENV LC_ALL=C.UTF-8
  EXPECTED ${case_dir}/encoding_unheld.expected)
tessel_console_test(NAME console.encoding_bad_name ARGS --encoding latin-1 show x.arr
  EXPECTED ${case_dir}/encoding_bad_name.expected)
# A spreadsheet's UTF-8 into the code page and back, and what neither side holds.
set(data_dir ${CMAKE_CURRENT_SOURCE_DIR}/console/data)
tessel_console_test(NAME console.sheet_encoding_in
  ARGS --encoding windows-1252 --header --from sheet --to csv convert utf8_items.csv out.csv
  FILES ${data_dir}/utf8_items.csv WRITTEN out.csv EXPECTED ${case_dir}/sheet_encoding_in.expected)
tessel_console_test(NAME console.sheet_encoding_out
  ARGS --encoding windows-1252 --header --from csv --to sheet convert cp1252_items.csv out.csv
  FILES ${data_dir}/cp1252_items.csv WRITTEN out.csv EXPECTED ${case_dir}/sheet_encoding_out.expected)
tessel_console_test(NAME console.sheet_encoding_unheld
  ARGS --encoding windows-1252 --from sheet --to native convert greek_items.csv out.arr
  FILES ${data_dir}/greek_items.csv WRITTEN out.arr EXPECTED ${case_dir}/sheet_encoding_unheld.expected)
tessel_console_test(NAME console.sheet_encoding_warns ARGS --from sheet --to csv convert utf8_items.csv out.csv
  FILES ${data_dir}/utf8_items.csv WRITTEN out.csv EXPECTED ${case_dir}/sheet_encoding_warns.expected)
if(NOT WIN32)  # which bytes a code page leaves undefined is the system converter's word
  tessel_console_test(NAME console.sheet_encoding_no_char
    ARGS --encoding windows-1253 --from csv --to sheet convert no_char_in_1253.csv out.csv
    FILES ${data_dir}/no_char_in_1253.csv WRITTEN out.csv EXPECTED ${case_dir}/sheet_encoding_no_char.expected)
endif()
# Tile maps: a script's load, what is wrong with a bad map, and a save that
# cannot fill the map writes nothing.
set(dungeon ${PROJECT_SOURCE_DIR}/examples/dungeon.tmj)
tessel_console_test(NAME console.tilemap_load SCRIPT ${case_dir}/tilemap_load.tessel FILES ${dungeon}
  EXPECTED ${case_dir}/tilemap_load.expected)
tessel_console_test(NAME console.tilemap_short_layer ARGS show short_layer.tmj FILES ${data}/short_layer.tmj
  EXPECTED ${case_dir}/tilemap_short_layer.expected)
tessel_console_test(NAME console.tilemap_zstd ARGS check zstd_layer.tmj FILES ${data}/zstd_layer.tmj
  EXPECTED ${case_dir}/tilemap_zstd.expected)
tessel_console_test(NAME console.tilemap_not_3d ARGS convert --template dungeon.tmj mixed.json out.tmj
  FILES ${dungeon} ${data}/mixed.json WRITTEN out.tmj EXPECTED ${case_dir}/tilemap_not_3d.expected)

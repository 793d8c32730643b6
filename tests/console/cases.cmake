# The console host's commands besides `run`, and its messages for bad input.
set(case_dir ${CMAKE_CURRENT_SOURCE_DIR}/console/cases)
tessel_console_test(NAME console.help_words ARGS help Append string EXPECTED ${case_dir}/help_words.expected)
tessel_console_test(NAME console.help_number ARGS help 65 EXPECTED ${case_dir}/help_number.expected)
tessel_console_test(NAME console.help_expression ARGS help keyStr EXPECTED ${case_dir}/help_expression.expected)
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
# Help by topic of the menus, for the shell's own commands, and on the file formats.
tessel_console_test(NAME console.help_topic ARGS help keys EXPECTED ${case_dir}/help_topic.expected)
tessel_console_test(NAME console.help_command ARGS help show EXPECTED ${case_dir}/help_command.expected)
tessel_console_test(NAME console.help_formats ARGS help formats EXPECTED ${case_dir}/help_formats.expected)

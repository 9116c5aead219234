# SPDX-License-Identifier: GPL-3.0-or-later
# romshelf-cli's completion, where bash-completion and zsh look for it under the prefix.
install(FILES ${PROJECT_SOURCE_DIR}/resources/completion/romshelf-cli.bash
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME romshelf-cli)
install(FILES ${PROJECT_SOURCE_DIR}/resources/completion/_romshelf-cli
  DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)

# The Qt Widgets side of the desktop seam, and the click sound.
target_sources(velmora_mainwindow PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/qtdesktop.cpp
)

# Alert.wav is generated here, never taken from elsewhere.
add_executable(velmora_gen_alert_wav ${CMAKE_CURRENT_LIST_DIR}/gen_alert_wav.cpp)
set(VELMORA_ALERT_WAV ${CMAKE_BINARY_DIR}/mainwindow/Alert.wav)
add_custom_command(
  OUTPUT ${VELMORA_ALERT_WAV}
  COMMAND velmora_gen_alert_wav ${VELMORA_ALERT_WAV}
  DEPENDS velmora_gen_alert_wav
  COMMENT "Generating the click sound Alert.wav"
  VERBATIM)
add_custom_target(velmora_alert_sound ALL DEPENDS ${VELMORA_ALERT_WAV})

# Writes a language resource script with the maker's name in the place of
# the sample's, so that the wizard names the maker whose distribution it is:
#   cmake -DINPUT=ENU/_INSTALL.rc -DOUTPUT=… "-DCOMPANY=Acme" -P name_the_maker.cmake
# The scripts are read and written as bytes: their code page stays theirs.
file(READ ${INPUT} text)
string(REPLACE "Halvion" "${COMPANY}" text "${text}")
file(WRITE ${OUTPUT} "${text}")

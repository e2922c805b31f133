# The Office encryption header of Access 2007+ files: EncryptionInfo parsing
# (binary 4.2 and agile XML 4.4), password check and page decryption.
tarvel_add_fuzz(access_crypto SOURCES ${CMAKE_CURRENT_LIST_DIR}/access_crypto_fuzz.cpp
                LIBS dao_crypto)

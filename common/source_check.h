// The parts of the converter that need the Access source and the Oracle
// destination. Until those sides are built, each answers a level-1 error that
// says which side is missing; none reports success without doing the work.
#pragma once

#include <string>
#include <vector>

class acc_converter_impl;
class oracle_converter_impl;
class tarvel_convertor;

void check_access_source(const acc_converter_impl& access, const std::wstring& source_name,
                         const std::wstring& database_password);
void connect_destination(oracle_converter_impl& oracle, const std::wstring& database_name);
void list_source_tables(const tarvel_convertor& conv, std::vector<std::wstring>& list);
bool test_source_query(const tarvel_convertor& conv, const std::wstring& query_text);
void run_conversion(tarvel_convertor& conv);

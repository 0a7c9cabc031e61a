// Reading the messages of the mailbox, and the object system they are built on.
#include <gmime/gmime.h>

#include "primouso/PrimoUso.h"

namespace {
brivano::TLibreriaAlPrimoUso kGMime{BRIVANO_FILE_GMIME};
brivano::TLibreriaAlPrimoUso kOggetti{BRIVANO_FILE_OGGETTI};
}  // namespace

extern "C" {

const char* g_mime_content_type_get_parameter(GMimeContentType* a0, const char* a1) {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_content_type_get_parameter)(a0, a1);
}

gboolean g_mime_content_type_is_type(GMimeContentType* a0, const char* a1, const char* a2) {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_content_type_is_type)(a0, a1, a2);
}

ssize_t g_mime_data_wrapper_write_to_stream(GMimeDataWrapper* a0, GMimeStream* a1) {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_data_wrapper_write_to_stream)(a0, a1);
}

const char* g_mime_header_get_name(GMimeHeader* a0) {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_header_get_name)(a0);
}

const char* g_mime_header_get_raw_value(GMimeHeader* a0) {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_header_get_raw_value)(a0);
}

int g_mime_header_list_get_count(GMimeHeaderList* a0) {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_header_list_get_count)(a0);
}

GMimeHeader* g_mime_header_list_get_header_at(GMimeHeaderList* a0, int a1) {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_header_list_get_header_at)(a0, a1);
}

void g_mime_init() {
    BRIVANO_AL_PRIMO_USO(kGMime, g_mime_init)();
}

InternetAddressList* g_mime_message_get_from(GMimeMessage* a0) {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_message_get_from)(a0);
}

const char* g_mime_message_get_message_id(GMimeMessage* a0) {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_message_get_message_id)(a0);
}

GMimeObject* g_mime_message_get_mime_part(GMimeMessage* a0) {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_message_get_mime_part)(a0);
}

const char* g_mime_message_get_subject(GMimeMessage* a0) {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_message_get_subject)(a0);
}

InternetAddressList* g_mime_message_get_to(GMimeMessage* a0) {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_message_get_to)(a0);
}

GMimeMessage* g_mime_message_part_get_message(GMimeMessagePart* a0) {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_message_part_get_message)(a0);
}

GType g_mime_message_part_get_type() {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_message_part_get_type)();
}

int g_mime_multipart_get_count(GMimeMultipart* a0) {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_multipart_get_count)(a0);
}

GMimeObject* g_mime_multipart_get_part(GMimeMultipart* a0, int a1) {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_multipart_get_part)(a0, a1);
}

GType g_mime_multipart_get_type() {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_multipart_get_type)();
}

GMimeContentType* g_mime_object_get_content_type(GMimeObject* a0) {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_object_get_content_type)(a0);
}

const char* g_mime_object_get_header(GMimeObject* a0, const char* a1) {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_object_get_header)(a0, a1);
}

GMimeHeaderList* g_mime_object_get_header_list(GMimeObject* a0) {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_object_get_header_list)(a0);
}

GType g_mime_object_get_type() {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_object_get_type)();
}

char* g_mime_object_to_string(GMimeObject* a0, GMimeFormatOptions* a1) {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_object_to_string)(a0, a1);
}

GMimeMessage* g_mime_parser_construct_message(GMimeParser* a0, GMimeParserOptions* a1) {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_parser_construct_message)(a0, a1);
}

GMimeParser* g_mime_parser_new_with_stream(GMimeStream* a0) {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_parser_new_with_stream)(a0);
}

GMimeDataWrapper* g_mime_part_get_content(GMimePart* a0) {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_part_get_content)(a0);
}

GType g_mime_part_get_type() {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_part_get_type)();
}

gboolean g_mime_part_is_attachment(GMimePart* a0) {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_part_is_attachment)(a0);
}

void g_mime_references_free(GMimeReferences* a0) {
    BRIVANO_AL_PRIMO_USO(kGMime, g_mime_references_free)(a0);
}

const char* g_mime_references_get_message_id(GMimeReferences* a0, int a1) {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_references_get_message_id)(a0, a1);
}

int g_mime_references_length(GMimeReferences* a0) {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_references_length)(a0);
}

GMimeReferences* g_mime_references_parse(GMimeParserOptions* a0, const char* a1) {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_references_parse)(a0, a1);
}

GByteArray* g_mime_stream_mem_get_byte_array(GMimeStreamMem* a0) {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_stream_mem_get_byte_array)(a0);
}

GType g_mime_stream_mem_get_type() {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_stream_mem_get_type)();
}

GMimeStream* g_mime_stream_mem_new() {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_stream_mem_new)();
}

GMimeStream* g_mime_stream_mem_new_with_buffer(const char* a0, size_t a1) {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_stream_mem_new_with_buffer)(a0, a1);
}

char* g_mime_text_part_get_text(GMimeTextPart* a0) {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_text_part_get_text)(a0);
}

GType g_mime_text_part_get_type() {
    return BRIVANO_AL_PRIMO_USO(kGMime, g_mime_text_part_get_type)();
}

InternetAddress* internet_address_list_get_address(InternetAddressList* a0, int a1) {
    return BRIVANO_AL_PRIMO_USO(kGMime, internet_address_list_get_address)(a0, a1);
}

int internet_address_list_length(InternetAddressList* a0) {
    return BRIVANO_AL_PRIMO_USO(kGMime, internet_address_list_length)(a0);
}

const char* internet_address_mailbox_get_addr(InternetAddressMailbox* a0) {
    return BRIVANO_AL_PRIMO_USO(kGMime, internet_address_mailbox_get_addr)(a0);
}

GType internet_address_mailbox_get_type() {
    return BRIVANO_AL_PRIMO_USO(kGMime, internet_address_mailbox_get_type)();
}

void g_object_unref(gpointer a0) {
    BRIVANO_AL_PRIMO_USO(kOggetti, g_object_unref)(a0);
}

GTypeInstance* g_type_check_instance_cast(GTypeInstance* a0, GType a1) {
    return BRIVANO_AL_PRIMO_USO(kOggetti, g_type_check_instance_cast)(a0, a1);
}

gboolean g_type_check_instance_is_a(GTypeInstance* a0, GType a1) {
    return BRIVANO_AL_PRIMO_USO(kOggetti, g_type_check_instance_is_a)(a0, a1);
}

}  // extern "C"

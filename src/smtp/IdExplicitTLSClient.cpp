#include "smtp/IdExplicitTLSClient.h"

TIdExplicitTLSClient::TIdExplicitTLSClient() = default;

TIdExplicitTLSClient::~TIdExplicitTLSClient() = default;

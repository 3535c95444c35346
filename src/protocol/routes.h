#pragma once

// Every backend route, once, for the client and quorvel-server: the path
// below the base address, the method, and whether the login token goes with
// it. The client calls them by these names and the server registers them by
// the same names.

namespace quorvel::protocol {

enum class http_method { get, post };

// The request header that carries the login token.
inline constexpr char token_header[] = "authorities";

struct route_t {
    const char* path = "";
    http_method method = http_method::post;
    bool authorized = true;

    constexpr route_t without_token() const {
        route_t e = *this;
        e.authorized = false;
        return e;
    }
};

constexpr route_t post_route(const char* path) {
    route_t e;
    e.path = path;
    e.method = http_method::post;
    return e;
}

constexpr route_t get_route(const char* path) {
    route_t e;
    e.path = path;
    e.method = http_method::get;
    return e;
}

namespace routes {

// Every path below starts so; the server answers unknown ones below it.
inline constexpr char prefix[] = "/tavorine/";

// Login and profile.
inline constexpr route_t login = post_route("/tavorine/loginAccount/logInCrm").without_token();
inline constexpr route_t login_user_data = get_route("/tavorine/loginAccount/getLoginUserData");

// Categories and scripts.
inline constexpr route_t category_tree = post_route("/tavorine/clientKb/getClassifyTree");
inline constexpr route_t query_categories = post_route("/tavorine/clientKb/queryClassify");
inline constexpr route_t create_category = post_route("/tavorine/clientKb/createClassify");
inline constexpr route_t edit_category = post_route("/tavorine/clientKb/editClassify");
inline constexpr route_t sort_categories = post_route("/tavorine/clientKb/updateClassifySort");
inline constexpr route_t query_scripts = post_route("/tavorine/clientKb/querySpeech");
inline constexpr route_t create_script = post_route("/tavorine/clientKb/createSpeech");
inline constexpr route_t edit_script = post_route("/tavorine/clientKb/editSpeech");
inline constexpr route_t sort_scripts = post_route("/tavorine/clientKb/updateSpeechSort");

// Stickers, phrases, quick replies.
inline constexpr route_t query_stickers = post_route("/tavorine/clientKb/queryEmoji");
inline constexpr route_t create_sticker = post_route("/tavorine/clientKb/createEmoji");
inline constexpr route_t edit_sticker = post_route("/tavorine/clientKb/editEmoji");
inline constexpr route_t list_phrases = get_route("/tavorine/clientPhrase/list");
inline constexpr route_t add_phrase = post_route("/tavorine/clientPhrase/add");
inline constexpr route_t delete_phrase = get_route("/tavorine/clientPhrase/del");
inline constexpr route_t sort_phrases = post_route("/tavorine/clientPhrase/sort");
inline constexpr route_t query_quick_replies =
    get_route("/tavorine/clientOperateHabit/getQuickReplySpeech");
inline constexpr route_t save_quick_replies =
    post_route("/tavorine/clientOperateHabit/saveQuickReply");

// Cloud documents and the file store.
inline constexpr route_t query_docs = post_route("/tavorine/clientKb/queryFile");
inline constexpr route_t create_doc = post_route("/tavorine/clientKb/createFile");
inline constexpr route_t edit_doc = post_route("/tavorine/clientKb/editFile");
inline constexpr route_t file_description = get_route("/tavorine/nas/getNasFileMappingInfo");
inline constexpr route_t download_file = get_route("/tavorine/nas/downloadFileById");
inline constexpr route_t upload_user_file = post_route("/tavorine/nas/userUploadFileDirect");
inline constexpr route_t upload_public_file = post_route("/tavorine/nas/publicUploadFileDirect");
inline constexpr route_t upload_report = post_route("/tavorine/nas/reportUploadFileDirect");

// The client itself.
inline constexpr route_t check_version = get_route("/tavorine/clientGeneral/checkVersionUpdate");
inline constexpr route_t supported_apps =
    get_route("/tavorine/clientOperateHabit/getAdsorptionList");
inline constexpr route_t manage_page = get_route("/tavorine/clientGeneral/generatedVisitAddress");

// All of the above, for walking them.
inline constexpr route_t all[] = {
    login,
    login_user_data,
    category_tree,
    query_categories,
    create_category,
    edit_category,
    sort_categories,
    query_scripts,
    create_script,
    edit_script,
    sort_scripts,
    query_stickers,
    create_sticker,
    edit_sticker,
    list_phrases,
    add_phrase,
    delete_phrase,
    sort_phrases,
    query_quick_replies,
    save_quick_replies,
    query_docs,
    create_doc,
    edit_doc,
    file_description,
    download_file,
    upload_user_file,
    upload_public_file,
    upload_report,
    check_version,
    supported_apps,
    manage_page,
};

// The routes that take a multipart file upload.
inline constexpr route_t uploads[] = {upload_user_file, upload_public_file, upload_report};

constexpr bool starts_with_prefix(const char* path) {
    for (const char* p = prefix; *p; ++p, ++path)
        if (*p != *path)
            return false;
    return true;
}

constexpr bool all_start_with_prefix() {
    for (const route_t& r : all)
        if (!starts_with_prefix(r.path))
            return false;
    return true;
}
static_assert(all_start_with_prefix(), "the server serves its routes below the prefix");

} // namespace routes

} // namespace quorvel::protocol

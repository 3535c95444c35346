#pragma once

// Every backend route the client calls, once: path below the base address,
// method, and whether the login token goes with it.

namespace quorvel {

enum class http_method { get, post };

struct endpoint_t {
    const char* path = "";
    http_method method = http_method::post;
    bool authorized = true;

    constexpr endpoint_t without_token() const {
        endpoint_t e = *this;
        e.authorized = false;
        return e;
    }
};

constexpr endpoint_t post_route(const char* path) {
    endpoint_t e;
    e.path = path;
    e.method = http_method::post;
    return e;
}

constexpr endpoint_t get_route(const char* path) {
    endpoint_t e;
    e.path = path;
    e.method = http_method::get;
    return e;
}

namespace endpoints {

// Login and profile.
inline constexpr endpoint_t login = post_route("/tavorine/loginAccount/logInCrm").without_token();
inline constexpr endpoint_t login_user_data = get_route("/tavorine/loginAccount/getLoginUserData");

// Categories and scripts.
inline constexpr endpoint_t category_tree = post_route("/tavorine/clientKb/getClassifyTree");
inline constexpr endpoint_t query_categories = post_route("/tavorine/clientKb/queryClassify");
inline constexpr endpoint_t create_category = post_route("/tavorine/clientKb/createClassify");
inline constexpr endpoint_t edit_category = post_route("/tavorine/clientKb/editClassify");
inline constexpr endpoint_t sort_categories = post_route("/tavorine/clientKb/updateClassifySort");
inline constexpr endpoint_t query_scripts = post_route("/tavorine/clientKb/querySpeech");
inline constexpr endpoint_t create_script = post_route("/tavorine/clientKb/createSpeech");
inline constexpr endpoint_t edit_script = post_route("/tavorine/clientKb/editSpeech");
inline constexpr endpoint_t sort_scripts = post_route("/tavorine/clientKb/updateSpeechSort");

// Stickers, phrases, quick replies.
inline constexpr endpoint_t query_stickers = post_route("/tavorine/clientKb/queryEmoji");
inline constexpr endpoint_t create_sticker = post_route("/tavorine/clientKb/createEmoji");
inline constexpr endpoint_t edit_sticker = post_route("/tavorine/clientKb/editEmoji");
inline constexpr endpoint_t list_phrases = get_route("/tavorine/clientPhrase/list");
inline constexpr endpoint_t add_phrase = post_route("/tavorine/clientPhrase/add");
inline constexpr endpoint_t delete_phrase = get_route("/tavorine/clientPhrase/del");
inline constexpr endpoint_t sort_phrases = post_route("/tavorine/clientPhrase/sort");
inline constexpr endpoint_t query_quick_replies =
    get_route("/tavorine/clientOperateHabit/getQuickReplySpeech");
inline constexpr endpoint_t save_quick_replies =
    post_route("/tavorine/clientOperateHabit/saveQuickReply");

// Cloud documents and the file store.
inline constexpr endpoint_t query_docs = post_route("/tavorine/clientKb/queryFile");
inline constexpr endpoint_t create_doc = post_route("/tavorine/clientKb/createFile");
inline constexpr endpoint_t edit_doc = post_route("/tavorine/clientKb/editFile");
inline constexpr endpoint_t file_description = get_route("/tavorine/nas/getNasFileMappingInfo");
inline constexpr endpoint_t download_file = get_route("/tavorine/nas/downloadFileById");
inline constexpr endpoint_t upload_user_file = post_route("/tavorine/nas/userUploadFileDirect");
inline constexpr endpoint_t upload_public_file = post_route("/tavorine/nas/publicUploadFileDirect");
inline constexpr endpoint_t upload_report = post_route("/tavorine/nas/reportUploadFileDirect");

// The client itself.
inline constexpr endpoint_t check_version = get_route("/tavorine/clientGeneral/checkVersionUpdate");
inline constexpr endpoint_t supported_apps =
    get_route("/tavorine/clientOperateHabit/getAdsorptionList");
inline constexpr endpoint_t manage_page =
    get_route("/tavorine/clientGeneral/generatedVisitAddress");

// All of the above, for walking them.
inline constexpr endpoint_t all[] = {
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

} // namespace endpoints

} // namespace quorvel

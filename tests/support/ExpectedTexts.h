// The string-table texts as the operator must see them, kept apart from the
// resource script so that a slip in either one shows up as a failing test.
#pragma once

#include <map>
#include <string>

namespace qeb::test {

inline const std::map<unsigned, const wchar_t*>& ExpectedTexts() {
    static const std::map<unsigned, const wchar_t*> texts = {
        {102, L"パラメーター %1!s! を指定してください。"},
        {103, L"ディレクトリ作成に失敗しました。(%1!s!)"},
        {104, L"指定されたモジュールが見つかりません。(%1!s!)"},
        {105, L"QEB %1!d!.0 がインストールされていません。"},
        {107, L"指定されたパスが見つかりません。(%1!s!)"},
        {109, L"%1!s!のコピーに失敗しました。"},
        {111, L"コマンドが指定されていません。"},
        {112,
         L"QebInfo COMMAND [-ARGUMENT:VALUE [-ARGUMENT:VALUE] ...]\r\n\r\nコマンド:\r\n\r\nQEB     "
         L"                QEBのインスタンスと環境設定をコピーします。\r\nMsinfo                  "
         L"システム情報の取得を行います。\r\nEvent                   "
         L"イベントログの取得を行います。\r\nSysinfo                 "
         L"ホットフィックスを含むシステム情報の取得を行います。\r\n\r\n特定のコマンドの詳細について"
         L"は、次のコマンドを入力してください。\r\n\r\nQebInfo COMMAND -?"},
        {113,
         L"QebInfo QEB -dest:<directory> -product:<version> [-instances:<instance>,<instance>...] "
         L"[-ignore:<instance>,<instance>...] [-noeventlog] "
         L"[-vmviewer]"
         L"\r\nインストールされているQEBの環境、インスタンスディレクトリのコピーを行います。\r\n\r"
         L"\n使用法:\r\n\r\n-dest:<directory>\r\n出力先ディレクトリを指定してください。\r\n\r\n-"
         L"product:<version>\r\nQEBのバージョンを指定してください。\r\n\r\n-instances:<instance>"
         L"\r\nコピーするインスタンス名を指定してください。\r\nカンマ区切りで複数指定できます。\r\n"
         L"\r\n-ignore:<instance>"
         L"\r\n無視するインスタンス名を指定してください。\r\nカンマ区切りで複数指定できます。\r\n-"
         L"instancesパラメーターと同時に指定された場合、本パラメーターは無視されます。\r\n\r\n-"
         L"noeventlog\r\n収集したイベントログを取得しません。\r\n\r\n-"
         L"vmviewer\r\nVMビュアーのログを取得します。"},
        {115,
         L"QebInfo MSINFO "
         L"-dest:<file>"
         L"\r\nmsinfo32コマンドを使用して、システム情報のテキスト出力を行います。\r\n\r\n使用法:"
         L"\r\n\r\n-dest:<file>\r\n出力先ファイルを指定してください。"},
        {116,
         L"QebInfo Event "
         L"-dest:<directory>\r\nイベントログの取得を行います。\r\n\r\n使用法:\r\n\r\n-dest:<"
         L"directory>\r\n出力先ディレクトリを指定してください。"},
        {118, L"QebInfoは既に起動しています。"},
        {119, L"ファイルコピーに失敗しました。(%1!s!)(%2!s!)"},
        {120, L"コマンド(%1!s!)の実行に失敗しました。(戻り値:0x%2!X!)"},
        {122, L"指定インスタンス(%1!s!)は存在しない、もしくはコピーに失敗しました。"},
        {123, L"パラメーター(%1!s!)で指定されているパスが長すぎます。"},
        {124, L"パラメーター %1!s! の値に誤りがあります。"},
        {125, L"ファイル%1!s!の保存に失敗しました。(%2!s!)"},
        {126, L"ファイル%1!s!の作成に失敗しました。(%2!s!)"},
        {129, L"指定したディレクトリは存在しません(%s)"},
        {130, L"正規表現の形式に誤りがあります。(%s)"},
        {131, L"%s 配下のファイル検索に失敗しました。エラー番号 = %d"},
        {132, L"値が正しくないか設定されていません(%s)"},
        {133, L"設定ファイル(%s)"},
        {134, L"値の取得に失敗しました。"},
        {135, L"キー名(%s)"},
        {136, L"設定ファイルが存在しません(%s)\r\nエラーコード(%d)"},
        {137, L"値が設定されていません"},
        {138, L"セクション名(%s)"},
        {139,
         L"QebInfo SYSINFO "
         L"-dest:<file>"
         L"\r\nsysteminfoコマンドを使用して、ホットフィックスを含むシステム情報のテキスト出力を行い"
         L"ます。\r\n\r\n使用法:\r\n\r\n-dest:<file>\r\n出力先ファイルを指定してください。"},
        {143,
         L"QebInfo PACK -dest:<folder> [-encrypt] [-mask [-maskmap:<file>] [-maskwords:<file>] "
         L"[-maskdomain:<name>[,...]] [-keepbinary]] "
         L"[-log:<file>]\r\n採取フォルダーをZIPファイル(<folder>.zip)にまとめ、そのSHA-256を<"
         L"folder>.zip.sha256に記録します。\r\n\r\n使用法:\r\n\r\n-dest:<folder>"
         L"\r\nまとめるフォルダーを指定してください。ZIPファイルはフォルダーと同じ場所に作成されま"
         L"す。\r\n\r\n-encrypt\r\nZIPファイルの中身をAES-"
         L"256で暗号化します。パスワードは入力を求められます(標準入力の1行目からも読み取ります)"
         L"。\r\n\r\n-"
         L"mask\r\nテキストとファイル名のコンピューター名、ドメイン名、IPアドレス、MACアドレス、ユ"
         L"ーザー名、SIDなどをZIPファイルの中だけ置き換え、置き換えた後に元の値が残っていないか確認"
         L"します。テキストではないファイルと、元の値が残っていたファイルはZIPファイルに入れません"
         L"。対応表は<folder>.mask-map.txtに書き出します。\r\n\r\n-maskmap:<file>"
         L"\r\n以前の対応表を読み込み、同じ値には同じ置き換えを使います。\r\n\r\n-maskwords:<file>"
         L"\r\nこのファイルの語句(1行に1つ、#で始まる行は注釈)も置き換えます。\r\n\r\n-maskdomain:<"
         L"name>[,...]\r\nこのドメインとその下のすべての名前も置き換えます。\r\n\r\n-"
         L"keepbinary\r\nテキストではないファイルも置き換えずにZIPファイルに入れます。\r\n\r\n-log:"
         L"<file>\r\n表示したメッセージをこのファイルにも追記します(UTF-8)。"},
        {144, L"パラメーター -dest: にはフォルダーを指定してください。(%1!s!)"},
        {146, L"%1!s!をアーカイブに含められませんでした。(%2!s!)"},
        {147, L"%1!s!はリンクのため、たどらずにアーカイブから除きました。"},
        {148, L"アーカイブ%1!s!の作成に失敗しました。(%2!s!)"},
        {149, L"アーカイブを作成しました。(%1!s!)\r\nSHA-256: %2!s!"},
        {151, L"ログファイル%1!s!に書き込めません。(%2!s!)"},
        {152, L"コマンドは成功しましたが、出力ファイル%1!s!がないか空です。"},
        {153, L"ZIPファイルのパスワード(8文字以上): "},
        {154, L"確認のため、もう一度入力してください: "},
        {155, L"パスワードが一致しません。"},
        {156, L"パスワードは8文字以上にしてください。"},
        {157, L"パスワードが決まらないため、ZIPファイルを作成しません。"},
        {158, L"標準入力の1行目にパスワードがありません。"},
        {159, L"対応表%1!s!を読み込めません。(%2!s!)"},
        {160, L"マスクの対応表を作成しました。(%1!s!)"},
        {162, L"対応表%1!s!の%2!d!行目に誤りがあります。"},
        {163, L"フォルダー%1!s!の内容を取得できないため、コピーできませんでした。(%2!s!)"},
        {164, L"コピー先の空き容量がないため、コピーを中止しました。(%1!s!)(%2!s!)"},
        {165,
         L"出力先のファイル システムが所有者の変更を受け付けないため、アクセス許可だけを"
         L"設定しました。(%1!s!)(%2!s!)"},
        {166,
         L"標準入力のパスワードにNUL文字か文字として読めないバイトがあるため、ZIPファイルを"
         L"作成しません。"},
        {190, L"語句のファイル%1!s!を読み込めません。(%2!s!)"},
        {191, L"語句のファイル%1!s!の%2!d!行目に誤りがあります。"},
        {192, L"%1!s!はテキストではなくマスクできないため、アーカイブに含めません。"},
        {193, L"%1!s!はテキストではないため、マスクせずにアーカイブに含めます。"},
        {194, L"%1!s!にはマスクした後も元の値が残っていたため、アーカイブに含めません。"},
        {195, L"置き換えに使う値が足りなくなったため、ZIPファイルを作成しません。"},
    };
    return texts;
}

inline const wchar_t* ExpectedText(unsigned id) {
    return ExpectedTexts().at(id);
}

// The text of `id` with its first string insert filled in.
inline std::wstring ExpectedMessage(unsigned id, const std::wstring& insert) {
    std::wstring text = ExpectedText(id);
    text.replace(text.find(L"%1!s!"), 5, insert);
    return text;
}

}  // namespace qeb::test

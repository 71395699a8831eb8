<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>ld</name>
    <message>
        <source>内置图片缺失：</source>
        <translation>Built-in picture missing: </translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>活动数据库正被另一个程序使用，请稍后再试</source>
        <translation>The event database is in use by another program; please try again shortly</translation>
    </message>
    <message>
        <source>无法打开活动数据库 %1</source>
        <translation>Cannot open the event database %1</translation>
    </message>
    <message>
        <source>：文件不存在</source>
        <translation>: the file does not exist</translation>
    </message>
    <message>
        <source>：文件不是活动数据库</source>
        <translation>: the file is not an event database</translation>
    </message>
    <message>
        <source>没有连接</source>
        <translation>Not connected</translation>
    </message>
    <message>
        <source>活动数据库 %1 无法写入，抽奖结果将无法保存：%2</source>
        <translation>The event database %1 cannot be written; draw results cannot be saved: %2</translation>
    </message>
    <message>
        <source>一等奖</source>
        <translation>First prize</translation>
    </message>
    <message>
        <source>二等奖</source>
        <translation>Second prize</translation>
    </message>
    <message>
        <source>三等奖</source>
        <translation>Third prize</translation>
    </message>
    <message>
        <source>幸运奖</source>
        <translation>Lucky prize</translation>
    </message>
    <message>
        <source>一次只能执行一条语句</source>
        <translation>Only one statement can be run at a time</translation>
    </message>
    <message>
        <source>语句为空</source>
        <translation>The statement is empty</translation>
    </message>
    <message>
        <source>语句需要 %1 个值，给了 %2 个</source>
        <translation>The statement needs %1 values, %2 were given</translation>
    </message>
    <message>
        <source>&apos;%1&apos; 超出整数范围</source>
        <translation>&apos;%1&apos; is out of the integer range</translation>
    </message>
    <message>
        <source>无法把 %1 类型的值写入数据库</source>
        <translation>A value of type %1 cannot be written to the database</translation>
    </message>
    <message>
        <source>活动数据库 %1 无法写入，这次更改没有保存：%2</source>
        <translation>The event database %1 cannot be written; this change was not saved: %2</translation>
    </message>
    <message>
        <source>无效的空值 (Null)</source>
        <translation>Invalid null value (Null)</translation>
    </message>
    <message>
        <source>&apos;%1&apos; 不是有效的整数值</source>
        <translation>&apos;%1&apos; is not a valid integer</translation>
    </message>
    <message>
        <source>&apos;%1&apos; 不是有效的数值</source>
        <translation>&apos;%1&apos; is not a valid number</translation>
    </message>
    <message>
        <source>没有当前记录</source>
        <translation>No current record</translation>
    </message>
    <message>
        <source>找不到字段 &apos;%1&apos;</source>
        <translation>Field &apos;%1&apos; not found</translation>
    </message>
    <message>
        <source>%1 已经存在，不会覆盖</source>
        <translation>%1 already exists and will not be overwritten</translation>
    </message>
    <message>
        <source>无法在 %1 下创建 db 和 zp 文件夹</source>
        <translation>Cannot create the db and zp folders in %1</translation>
    </message>
    <message>
        <source>无法创建 %1：%2</source>
        <translation>Cannot create %1: %2</translation>
    </message>
    <message>
        <source>没有进行中的事务</source>
        <translation>No transaction in progress</translation>
    </message>
    <message>
        <source>抽奖顺序已达上限</source>
        <translation>The draw order has reached its limit</translation>
    </message>
    <message>
        <source>中奖者 %1 未能记录：该员工已不在待抽名单中</source>
        <translation>Winner %1 could not be recorded: no longer among those still to be drawn</translation>
    </message>
    <message>
        <source>%1%2位</source>
        <translation>%1 ×%2</translation>
    </message>
    <message>
        <source>烟花</source>
        <translation>Fireworks</translation>
    </message>
    <message>
        <source>图片 %1 没有可显示的内容</source>
        <translation>The picture %1 holds nothing to show</translation>
    </message>
    <message>
        <source>是否确定关闭手机？</source>
        <translation>Switch off the phone?</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>抽奖</source>
        <translation>Draw</translation>
    </message>
    <message>
        <source>抽奖已停止：%1</source>
        <translation>The draw has stopped: %1</translation>
    </message>
    <message>
        <source>未保存</source>
        <translation>Not saved</translation>
    </message>
    <message>
        <source>活动数据库文件已被移动或替换，请重新启动程序后再抽奖。</source>
        <translation>The event database file has been moved or replaced; please restart the program before drawing again.</translation>
    </message>
    <message>
        <source>请检查磁盘空间是否充足，然后再抽一次。</source>
        <translation>Please check that the disk has enough free space, then draw again.</translation>
    </message>
    <message>
        <source>本次抽奖结果未保存，没有人中奖，所有员工仍可被抽中。
%1
%2</source>
        <translation>This draw was not saved: nobody won, everyone can still be drawn.
%1
%2</translation>
    </message>
    <message>
        <source>（计划外）</source>
        <translation> (outside the plan)</translation>
    </message>
    <message>
        <source>无人中奖</source>
        <translation>No winner</translation>
    </message>
    <message>
        <source>路径不在程序文件夹内: %1</source>
        <translation>Path outside the program folder: %1</translation>
    </message>
    <message>
        <source>要放入演示名单吗？（24 位虚构的参与者和他们的照片，可在设置里清空）
选“否”则名单为空，在设置里添加参与者。</source>
        <translation>Add the demo roster? (24 made-up participants with their photos; it can be cleared in the settings)
Choose No for an empty roster, then add participants in the settings.</translation>
    </message>
    <message>
        <source>无法创建文件夹 %1</source>
        <translation>Cannot create the folder %1</translation>
    </message>
    <message>
        <source>活动文件夹 %1 在系统目录 /usr 里，那里只有软件包管理器可以写入。请换一个文件夹。</source>
        <translation>The event folder %1 is inside the system directory /usr, where only the package manager writes. Please choose another folder.</translation>
    </message>
    <message>
        <source>%1 不是文件夹</source>
        <translation>%1 is not a folder</translation>
    </message>
    <message>
        <source>文件夹 %1 里没有活动（db/db.mdb）。
要在这个文件夹新建一个活动吗？</source>
        <translation>The folder %1 holds no event (db/db.mdb).
Create a new event in this folder?</translation>
    </message>
    <message>
        <source>上次打开的活动 %1 已经不在了。
</source>
        <translation>The event opened last, %1, is no longer there.
</translation>
    </message>
    <message>
        <source>还没有打开过活动。
</source>
        <translation>No event has been opened yet.
</translation>
    </message>
    <message>
        <source>要新建一个活动吗？它的文件夹是
%1
（要打开别的活动文件夹，启动时把文件夹写在命令后面：luckydraw 文件夹）</source>
        <translation>Create a new event? Its folder will be
%1
(to open another event folder, give it on the command line: luckydraw FOLDER)</translation>
    </message>
    <message>
        <source>幸运抽奖</source>
        <translation>Lucky Draw</translation>
    </message>
    <message>
        <source>--lang 只接受 zh（中文）或 en（英文），不接受“%1”</source>
        <translation>--lang accepts zh (Chinese) or en (English), not “%1”</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>文件夹不存在</source>
        <translation>the folder does not exist</translation>
    </message>
    <message>
        <source>不是文件夹</source>
        <translation>not a folder</translation>
    </message>
    <message>
        <source>没有访问权限</source>
        <translation>permission denied</translation>
    </message>
    <message>
        <source>无法锁定活动文件夹 %1：%2</source>
        <translation>Cannot lock the event folder %1: %2</translation>
    </message>
    <message>
        <source>活动文件夹 %1 正被另一个程序（抽奖程序或 eventdb）使用。同一个活动同时只能由一个程序打开，请先关闭另一个，再重试。</source>
        <translation>The event folder %1 is in use by another program (the lucky draw or eventdb). An event can be open in only one program at a time; please close the other one and try again.</translation>
    </message>
    <message>
        <source>JPEG 图像错误: </source>
        <translation>JPEG image error: </translation>
    </message>
    <message>
        <source>JPEG 文件不存在: %1</source>
        <translation>JPEG file does not exist: %1</translation>
    </message>
    <message>
        <source>%1 不是一个文件</source>
        <translation>%1 is not a file</translation>
    </message>
    <message>
        <source>无法读取 JPEG 文件 %1: %2</source>
        <translation>Cannot read the JPEG file %1: %2</translation>
    </message>
    <message>
        <source>JPEG 文件 %1 太大 (%2 字节)</source>
        <translation>The JPEG file %1 is too large (%2 bytes)</translation>
    </message>
    <message>
        <source>找不到 eventdb 程序，演示名单没有加入，活动的名单为空。</source>
        <translation>The eventdb program was not found: the demo roster was not added and the event&apos;s roster is empty.</translation>
    </message>
    <message>
        <source>演示名单没有加入，活动的名单为空：%1</source>
        <translation>The demo roster was not added and the event&apos;s roster is empty: %1</translation>
    </message>
    <message>
        <source>幸运抽奖：公司活动现场抽奖</source>
        <translation>Lucky Draw: prize draws at company events</translation>
    </message>
    <message>
        <source>界面语言：zh（中文，默认）或 en（英文）。不写时按系统的语言设置。</source>
        <translation>Language of the program: zh (Chinese, the default) or en (English). Without it, the system&apos;s language setting decides.</translation>
    </message>
    <message>
        <source>活动文件夹（含 db/、zp/，可有 system/）。不写时：程序所在文件夹里有活动就用它，否则用上次打开的活动，都没有时提议新建一个。</source>
        <translation>The event folder (holding db/ and zp/, optionally system/). Without it: the event in the program&apos;s own folder if there is one, else the event opened last, else an offer to create one.</translation>
    </message>
    <message>
        <source>无效的员工编号“%1”</source>
        <translation>Invalid participant number “%1”</translation>
    </message>
    <message>
        <source>制表符</source>
        <translation>a tab</translation>
    </message>
    <message>
        <source>控制字符（U+%1）</source>
        <translation>a control character (U+%1)</translation>
    </message>
    <message>
        <source>无法写入照片文件 %1：%2</source>
        <translation>Cannot write the photo file %1: %2</translation>
    </message>
    <message>
        <source>无法读取原照片文件 %1：%2</source>
        <translation>Cannot read the old photo file %1: %2</translation>
    </message>
    <message>
        <source>部门中的%1不能用于照片文件名，请更改部门</source>
        <translation>%1 in the department cannot be used in a photo file name; please change the department</translation>
    </message>
    <message>
        <source>姓名中的%1不能用于照片文件名，请更改姓名</source>
        <translation>%1 in the name cannot be used in a photo file name; please change the name</translation>
    </message>
    <message>
        <source>部门中含有无效的字符，不能用于照片文件名，请更改部门</source>
        <translation>The department holds invalid characters for a photo file name; please change the department</translation>
    </message>
    <message>
        <source>姓名中含有无效的字符，不能用于照片文件名，请更改姓名</source>
        <translation>The name holds invalid characters for a photo file name; please change the name</translation>
    </message>
    <message>
        <source>部门不能以“.”开头：照片文件名会以点开头而成为隐藏文件，请更改部门</source>
        <translation>The department cannot start with “.”: the photo file name would start with a dot and be hidden; please change the department</translation>
    </message>
    <message>
        <source>部门和姓名太长：照片文件名最多 %1 字节，现在是 %2 字节，请缩短姓名或部门</source>
        <translation>Department and name are too long: a photo file name holds at most %1 bytes, this one has %2; please shorten the name or the department</translation>
    </message>
    <message>
        <source>无法写入文件 %1</source>
        <translation>Cannot write the file %1</translation>
    </message>
    <message>
        <source>照片文件不在照片文件夹内</source>
        <translation>The photo file is not inside the photo folder</translation>
    </message>
    <message>
        <source>无法写入照片文件 %1：该位置已被占用</source>
        <translation>Cannot write the photo file %1: the place is taken</translation>
    </message>
    <message>
        <source>无法写入照片文件 %1</source>
        <translation>Cannot write the photo file %1</translation>
    </message>
    <message>
        <source>图片文件 %1 不存在</source>
        <translation>The picture file %1 does not exist</translation>
    </message>
    <message>
        <source>%1 不是普通文件（而是文件夹、管道或设备），不能作为照片导入</source>
        <translation>%1 is not a regular file (but a folder, pipe or device) and cannot be imported as a photo</translation>
    </message>
    <message>
        <source>无法打开图片文件 %1：%2</source>
        <translation>Cannot open the picture file %1: %2</translation>
    </message>
    <message>
        <source>图片文件 %1 太大（%2 字节）</source>
        <translation>The picture file %1 is too large (%2 bytes)</translation>
    </message>
    <message>
        <source>无法读取图片文件 %1：%2</source>
        <translation>Cannot read the picture file %1: %2</translation>
    </message>
    <message>
        <source>%1 %2 太大（%3 × %4 像素），最多接受一亿像素</source>
        <translation>%1 %2 is too large (%3 × %4 pixels); at most one hundred million pixels are accepted</translation>
    </message>
    <message>
        <source>无法打开位图文件 %1</source>
        <translation>Cannot open the bitmap file %1</translation>
    </message>
    <message>
        <source>无法读取位图文件 %1：不是有效的 Windows 位图，或图片太大</source>
        <translation>Cannot read the bitmap file %1: not a valid Windows bitmap, or the picture is too large</translation>
    </message>
    <message>
        <source>位图</source>
        <translation>Bitmap</translation>
    </message>
    <message>
        <source>位图文件 %1 不完整（文件被截断或已损坏）</source>
        <translation>The bitmap file %1 is incomplete (cut short or damaged)</translation>
    </message>
    <message>
        <source>内存不足，无法读取位图文件 %1</source>
        <translation>Out of memory reading the bitmap file %1</translation>
    </message>
    <message>
        <source>无法读取位图文件 %1：%2</source>
        <translation>Cannot read the bitmap file %1: %2</translation>
    </message>
    <message>
        <source>无法读取 PNG 文件 %1：文件已损坏</source>
        <translation>Cannot read the PNG file %1: the file is damaged</translation>
    </message>
    <message>
        <source>PNG 图片</source>
        <translation>PNG picture</translation>
    </message>
    <message>
        <source>无法读取 PNG 文件 %1：%2</source>
        <translation>Cannot read the PNG file %1: %2</translation>
    </message>
    <message>
        <source>照片尺寸无效</source>
        <translation>Invalid photo size</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>基础设置</source>
        <translation>Event</translation>
    </message>
    <message>
        <source>公司名称：</source>
        <translation>Company:</translation>
    </message>
    <message>
        <source>联系人员：</source>
        <translation>Contact:</translation>
    </message>
    <message>
        <source>联系电话：</source>
        <translation>Phone:</translation>
    </message>
    <message>
        <source>更新</source>
        <translation>Update</translation>
    </message>
    <message>
        <source>还原</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>奖项设置</source>
        <translation>Prize plan</translation>
    </message>
    <message>
        <source>限制</source>
        <translation>Limited</translation>
    </message>
    <message>
        <source>不限</source>
        <translation>Any</translation>
    </message>
    <message>
        <source>一等奖：</source>
        <translation>First:</translation>
    </message>
    <message>
        <source>二等奖：</source>
        <translation>Second:</translation>
    </message>
    <message>
        <source>三等奖：</source>
        <translation>Third:</translation>
    </message>
    <message>
        <source>幸运奖：</source>
        <translation>Lucky:</translation>
    </message>
    <message>
        <source>名单列表</source>
        <translation>Roster</translation>
    </message>
    <message>
        <source>部门：</source>
        <translation>Dept.:</translation>
    </message>
    <message>
        <source>姓名：</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>照片：</source>
        <translation>Photo:</translation>
    </message>
    <message>
        <source>添加员工</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>删除员工</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>更新员工</source>
        <translation>Update</translation>
    </message>
    <message>
        <source>清空历史</source>
        <translation>Clear history</translation>
    </message>
    <message>
        <source>清空员工列表</source>
        <translation>Clear roster</translation>
    </message>
    <message>
        <source>清空中奖纪录</source>
        <translation>Clear winners</translation>
    </message>
    <message>
        <source>版本号：20130129</source>
        <translation>Version: 20130129</translation>
    </message>
    <message>
        <source>更新完成</source>
        <translation>Updated</translation>
    </message>
    <message>
        <source>图片文件(*.jpg *.jpeg *.png *.bmp)</source>
        <translation>Pictures (*.jpg *.jpeg *.png *.bmp)</translation>
    </message>
    <message>
        <source>%1的数量“%2”不是 0 到 %3 之间的整数，请重新输入。奖项设置没有保存。</source>
        <translation>The quantity “%2” of %1 is not a whole number from 0 to %3; please enter it again. The prize plan was not saved.</translation>
    </message>
    <message>
        <source>%1的数量为 0。限制名额时，只要有一个奖项的数量为 0，之后抽出的每一位中奖者都不属于任何奖项（计划外），也不会出现在中奖名单上。确定要这样保存吗？</source>
        <translation>The quantity of %1 is 0. With a limited plan, once any prize level has 0 prizes, every winner drawn after that belongs to no prize level (outside the plan) and appears on no winners board. Save it like this?</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>奖项设置有误，请重新设置</source>
        <translation>The prize plan is wrong; please set it again</translation>
    </message>
    <message>
        <source>奖项设置成功</source>
        <translation>Prize plan saved</translation>
    </message>
    <message>
        <source>序号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>部门</source>
        <translation>Department</translation>
    </message>
    <message>
        <source>姓名</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>照片编号</source>
        <translation>Photo</translation>
    </message>
    <message>
        <source>中奖</source>
        <translation>Prize</translation>
    </message>
    <message>
        <source>照片文件名“%1”已被另一位员工使用（部门和姓名连起来与之相同），请更改部门或姓名</source>
        <translation>The photo file name “%1” is used by another participant already (department and name joined give the same); please change the department or the name</translation>
    </message>
    <message>
        <source>请输入完整的信息</source>
        <translation>Please fill in every field</translation>
    </message>
    <message>
        <source>已经有相同科室相同姓名的员工，请更改信息</source>
        <translation>A participant with the same department and name exists already; please change the details</translation>
    </message>
    <message>
        <source>员工添加失败：</source>
        <translation>Adding the participant failed: </translation>
    </message>
    <message>
        <source>添加员工成功</source>
        <translation>Participant added</translation>
    </message>
    <message>
        <source>真的要更新该员工吗？</source>
        <translation>Really update this participant?</translation>
    </message>
    <message>
        <source>已存在同部门同姓名员工，请核对后再更新，本次更新失败。</source>
        <translation>A participant with the same department and name exists already; please check and update again. This update failed.</translation>
    </message>
    <message>
        <source>该员工已不存在</source>
        <translation>This participant no longer exists</translation>
    </message>
    <message>
        <source>员工更新失败</source>
        <translation>Updating the participant failed</translation>
    </message>
    <message>
        <source>员工更新成功</source>
        <translation>Participant updated</translation>
    </message>
    <message>
        <source>请选定需要删除的员工</source>
        <translation>Please select the participant to delete</translation>
    </message>
    <message>
        <source>真的要删除该员工吗？</source>
        <translation>Really delete this participant?</translation>
    </message>
    <message>
        <source>员工删除失败</source>
        <translation>Deleting the participant failed</translation>
    </message>
    <message>
        <source>员工删除成功</source>
        <translation>Participant deleted</translation>
    </message>
    <message>
        <source>真的要清空员工列表吗？</source>
        <translation>Really clear the roster?</translation>
    </message>
    <message>
        <source>员工列表清空</source>
        <translation>Roster cleared</translation>
    </message>
    <message>
        <source>真的要清空中奖记录吗？</source>
        <translation>Really clear the winners?</translation>
    </message>
    <message>
        <source>中奖记录清空</source>
        <translation>Winners cleared</translation>
    </message>
    <message>
        <source>无法打开图片 %1</source>
        <translation>Cannot open the picture %1</translation>
    </message>
    <message>
        <source>图片 %1 无法读取：%2</source>
        <translation>The picture %1 cannot be read: %2</translation>
    </message>
    <message>
        <source>导入名单…</source>
        <translation>Import roster…</translation>
    </message>
    <message>
        <source>导出中奖名单…</source>
        <translation>Export winners…</translation>
    </message>
    <message>
        <source>GIF 图片的画面 %1 像素过大（上限 %2 像素），已拒绝</source>
        <translation>GIF picture refused: its canvas of %1 pixels is too large (at most %2 pixels)</translation>
    </message>
    <message>
        <source>GIF 图片 %1 的画面 %2 像素过大（上限 %3 像素），已拒绝</source>
        <translation>GIF picture %1 refused: its canvas of %2 pixels is too large (at most %3 pixels)</translation>
    </message>
    <message>
        <source>没有可以标记缺席的中奖者</source>
        <translation>There is no winner to mark absent</translation>
    </message>
    <message>
        <source>%1 已不是最近一位中奖者，不能再标记缺席</source>
        <translation>%1 is no longer the latest winner and cannot be marked absent</translation>
    </message>
    <message>
        <source>%1 的中奖记录已经改变，不能标记缺席</source>
        <translation>The record of %1 has changed; it cannot be marked absent</translation>
    </message>
    <message>
        <source>空格  回车  PgDn  →  ↓</source>
        <translation>Space  Enter  PgDn  →  ↓</translation>
    </message>
    <message>
        <source>开始 / 停止抽奖</source>
        <translation>Start / stop the draw</translation>
    </message>
    <message>
        <source>中奖者不在场：标记缺席，下一次停止重抽同一奖项</source>
        <translation>Winner not present: mark absent, the next stop redraws the same prize</translation>
    </message>
    <message>
        <source>黑屏 / 恢复</source>
        <translation>Black screen / back</translation>
    </message>
    <message>
        <source>演示模式：放大到整个屏幕</source>
        <translation>Presentation mode: fill the whole screen</translation>
    </message>
    <message>
        <source>移到下一个屏幕</source>
        <translation>Move to the next screen</translation>
    </message>
    <message>
        <source>声音 开 / 关</source>
        <translation>Sound on / off</translation>
    </message>
    <message>
        <source>显示 / 隐藏本说明</source>
        <translation>Show / hide these keys</translation>
    </message>
    <message>
        <source>关闭本说明或黑屏（不会退出程序）</source>
        <translation>Close this help or the black screen (never ends the program)</translation>
    </message>
    <message>
        <source>按键</source>
        <translation>Keys</translation>
    </message>
    <message>
        <source>没有第 %1 个屏幕：本机有 %2 个屏幕，编号 1 到 %2。抽奖窗口显示在上次选择的屏幕或主屏幕上。</source>
        <translation>There is no screen %1: this machine has %2 screens, numbered 1 to %2. The draw window shows on the screen chosen last or on the primary screen.</translation>
    </message>
    <message>
        <source>黑屏</source>
        <translation>Black screen</translation>
    </message>
    <message>
        <source>缺席，重新抽取此奖项…</source>
        <translation>Absent, draw this prize again…</translation>
    </message>
    <message>
        <source>计划外奖项</source>
        <translation>Outside the plan</translation>
    </message>
    <message>
        <source>%1  %2 不在现场？

确定后此人记为缺席，不再参加本次抽奖；下一次抽奖将重新抽取%3（第 %4 位）。</source>
        <translation>%1  %2 is not present?

Once confirmed, this person is recorded absent and takes no further part in this draw; the next draw redraws %3 (winner number %4).</translation>
    </message>
    <message>
        <source>（缺席）</source>
        <translation> (absent)</translation>
    </message>
    <message>
        <source>抽奖窗口显示在第 N 个屏幕上（1 为第一个），并记在活动数据中。</source>
        <translation>Show the draw window on screen N (1 is the first), remembered in the event data.</translation>
    </message>
    <message>
        <source>以演示模式开始：抽奖窗口放大到整个屏幕（F11 切换）。</source>
        <translation>Start in presentation mode: the draw window fills the whole screen (F11 switches).</translation>
    </message>
</context>
</TS>
